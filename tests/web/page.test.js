// page.test.js - the demo's page in headless Chromium, served on 127.0.0.1:
// the bundled show's pictures in order as its syncs arrive and its end, the
// keys, a failure, and another folder by ?show=. Prints what it measured:
// click to first picture, frame times and the sound's delay.
"use strict";
const assert = require("node:assert");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const {after, before, test} = require("node:test");
const {chromium} = require("playwright-core");
const {serve} = require("../../platform/web/serve.js");

const site = process.env.DEMO_WEB_SITE;
const screenshot = process.env.DEMO_WEB_SCREENSHOT;
let root, profile, server, context, base;

// Two shows beside the bundled one: one picture of it, and a list naming a
// picture that is not there.
function makeRoot() {
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), "demo-web-"));
    for (const entry of fs.readdirSync(site))
        fs.symlinkSync(path.resolve(site, entry), path.join(dir, entry));
    for (const [folder, list] of [["other", "moon.png\n"], ["broken", "orb.png\nmissing.png\n"]]) {
        fs.mkdirSync(path.join(dir, folder));
        fs.writeFileSync(path.join(dir, folder, "pics.dat"), list);
        for (const file of ["demo.xm", "moon.png", "orb.png"])
            fs.copyFileSync(path.join(site, "show", file), path.join(dir, folder, file));
    }
    return dir;
}

before(async () => {
    assert.ok(site, "DEMO_WEB_SITE names the site to test");
    root = makeRoot();
    server = await serve(root, 0);
    base = `http://127.0.0.1:${server.address().port}/`;
    // A PulseAudio server elsewhere on the machine would slow the browser's
    // audio clock; without one Chromium keeps its own, in real time.
    profile = fs.mkdtempSync(path.join(os.tmpdir(), "demo-chromium-"));
    context = await chromium.launchPersistentContext(profile, {
        executablePath: "/usr/bin/chromium",
        headless: true,
        env: {...process.env, PULSE_SERVER: "unix:/nonexistent"},
        args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
               "--disable-component-update", "--disable-sync"],
    });
});

after(async () => {
    await context?.close();
    server?.close();
    for (const dir of [root, profile])
        if (dir)
            fs.rmSync(dir, {recursive: true, force: true});
});

// Opens the page of a show, waits until it is ready to start, and teaches
// it to tell which of the show's pictures the screen shows: the one whose
// opaque pixels, centred, almost all match within a step of blending.
async function open(query, pictures) {
    const page = await context.newPage();
    await page.goto(base + "index.html" + query);
    await page.waitForFunction(() => document.getElementById("status").textContent.startsWith("Click"));
    const folder = (query ? query.slice("?show=".length) : "show/").replace(/\/?$/, "/");
    const references = await page.evaluate(async ([folder, names]) => {
        const loaded = [];
        for (const name of names) {
            const picture = await createImageBitmap(await (await fetch(folder + name)).blob());
            const canvas = new OffscreenCanvas(picture.width, picture.height);
            canvas.getContext("2d").drawImage(picture, 0, 0);
            loaded.push(canvas.getContext("2d").getImageData(0, 0, picture.width, picture.height));
        }
        window.references = loaded;
        window.pictureShown = () => {
            const screen = document.getElementById("screen");
            const frame = screen.getContext("2d").getImageData(0, 0, screen.width, screen.height).data;
            return window.references.findIndex((reference) => {
                const left = Math.floor((screen.width - reference.width) / 2);
                const top = Math.floor((screen.height - reference.height) / 2);
                let opaque = 0, same = 0;
                for (let y = Math.max(0, -top); y < Math.min(reference.height, screen.height - top); y += 2) {
                    for (let x = Math.max(0, -left); x < Math.min(reference.width, screen.width - left); x += 2) {
                        const from = 4 * (y * reference.width + x), to = 4 * ((y + top) * screen.width + x + left);
                        if (reference.data[from + 3] !== 255)
                            continue;
                        ++opaque;
                        if ([0, 1, 2].every((c) => Math.abs(reference.data[from + c] - frame[to + c]) <= 4))
                            ++same;
                    }
                }
                return opaque > 0 && same >= 0.9 * opaque;
            });
        };
        return loaded.length;
    }, [folder, pictures]);
    assert.strictEqual(references, pictures.length);
    return page;
}

// Starts the show with a click (or the given gesture), and from then on
// records each change of the picture shown (-1 between pictures) with its
// time after the gesture.
async function start(page, gesture = () => page.mouse.click(100, 100)) {
    await gesture();
    await page.evaluate(() => {
        window.seen = [];
        const look = () => {
            if (window.demoEnding)
                return;
            const picture = window.pictureShown();
            if (!window.seen.length || window.seen[window.seen.length - 1].picture !== picture)
                window.seen.push({picture, at: performance.now() - window.demoStarted});
            requestAnimationFrame(look);
        };
        look();
    });
}

const seen = (page) => page.evaluate(() => window.seen.map((change) => change.picture).filter((p) => p >= 0));
const waitForPicture = (page, picture, seconds) =>
    page.waitForFunction((p) => window.seen.some((change) => change.picture === p), picture, {timeout: seconds * 1000});

async function ending(page, seconds) {
    await page.waitForFunction(() => window.demoEnding, null, {timeout: seconds * 1000});
    return page.evaluate(() => [document.getElementById("status").textContent,
                                document.getElementById("failure").textContent]);
}

const examplePictures = () => fs.readFileSync(path.join(site, "show", "pics.dat"), "utf8").split("\n").filter(Boolean);

test("the bundled show: each picture in order as the music's syncs arrive, then exit code 0, with nothing fetched after the start", async () => {
    const pictures = examplePictures();
    const page = await open("", pictures);
    const fetched = server.requested.length;
    await start(page);
    await waitForPicture(page, 1, 15);
    if (screenshot)
        await page.screenshot({path: screenshot});
    assert.deepStrictEqual(await ending(page, 90), ["The show has ended: exit code 0", ""]);
    assert.deepStrictEqual(await seen(page), pictures.map((_, i) => i));
    assert.deepStrictEqual(server.requested.slice(fetched), []);
    const icon = await page.$eval("link[rel~='icon']", (link) => link.href);
    assert.strictEqual(icon, "data:image/x-icon;base64," +
                       fs.readFileSync(path.join(__dirname, "..", "..", "src", "demo.ico")).toString("base64"));

    const figures = await page.evaluate(() => {
        const frames = window.demoInstance.frameStats, sound = window.demoInstance.soundStats;
        return {
            firstPictureMs: window.seen.find((change) => change.picture === 0).at,
            frames: frames.frames,
            workMsPerFrame: frames.workMs / frames.frames,
            putMsPerFrame: frames.putMs / frames.frames,
            soundRequests: sound.requests,
            meanSoundDelayMs: 1000 * sound.delaySum / sound.requests,
            maxSoundDelayMs: 1000 * sound.delayMax,
        };
    });
    console.log(`web figures: ${JSON.stringify(figures)}`);
    await page.close();
});

test("SPACE crossfades to the next picture, ESC ends with exit code 0, and the button plays the show again", async () => {
    const page = await open("", examplePictures());
    await start(page);
    await waitForPicture(page, 0, 5);
    await page.keyboard.press("Space");
    await waitForPicture(page, 1, 3);
    // The syncs alone would bring the second picture only after seconds, and with no frames between.
    const changes = await page.evaluate(() => window.seen);
    const second = changes.findIndex((change) => change.picture === 1);
    assert.ok(changes[second].at < 5000 && changes[second - 1].picture === -1, JSON.stringify(changes));
    await page.keyboard.press("Escape");
    assert.deepStrictEqual(await ending(page, 10), ["The show has ended: exit code 0", ""]);

    await start(page, () => page.click("#again"));
    await waitForPicture(page, 0, 5);
    await page.keyboard.press("Escape");
    assert.deepStrictEqual(await ending(page, 10), ["The show has ended: exit code 0", ""]);
    await page.close();
});

test("?show= plays another folder; a missing picture ends with exit code 1 and the line that names it", async () => {
    const other = await open("?show=other", ["moon.png"]);
    await start(other);
    assert.deepStrictEqual(await ending(other, 30), ["The show has ended: exit code 0", ""]);
    assert.deepStrictEqual(await seen(other), [0]);
    await other.close();

    const broken = await open("?show=broken/", ["orb.png"]);
    await start(broken);
    assert.deepStrictEqual(await ending(broken, 10),
                           ["The show has ended: exit code 1", 'demo: cannot load picture "missing.png": no such file']);
    await broken.close();
});
