// page.js - runs the demo on its page: fetches the program and the show's
// files (the folder named by ?show=, else show/), waits for a click or a
// key, since the browser plays sound only after one, runs the program on
// the fetched files, and says how the show ended, with a button that plays
// it again from what is already fetched. Also full screen on a double-click
// or F.
"use strict";

const panel = document.getElementById("panel");
const status = document.getElementById("status");
const failure = document.getElementById("failure");
const again = document.getElementById("again");
const canvas = document.getElementById("screen");

// Where the show's files live inside the program's file system.
const showDirectory = "/show";

function showFolder() {
    const named = new URLSearchParams(location.search).get("show") || "show/";
    return new URL(named.endsWith("/") ? named : named + "/", location.href);
}

// A name from "pics.dat" as a path in the program's file system, or null
// for one that leaves the show's folder, which is then never fetched and so
// fails as a missing file does.
function showPath(name) {
    const parts = name.split("/").filter((part) => part !== "" && part !== ".");
    if (name.startsWith("/") || parts.includes("..") || parts.length === 0)
        return null;
    return showDirectory + "/" + parts.join("/");
}

// The bytes of a file, or null when the server has none.
async function fetchBytes(url) {
    const response = await fetch(url);
    return response.ok ? new Uint8Array(await response.arrayBuffer()) : null;
}

// Fetches the program and every file of the show, reporting progress; a
// file the server lacks is left out, for the program to report as missing.
async function fetchShow() {
    // The browser's first audio context opens its output device, which takes
    // long enough to delay the first picture; opening one meanwhile makes
    // the program's start at once. It stays silent without a gesture.
    const AudioContextType = window.AudioContext || window.webkitAudioContext;
    if (AudioContextType)
        new AudioContextType().close().catch(() => {});
    const folder = showFolder();
    const files = new Map();
    let done = 0;
    let total = 3;
    const progress = () => { status.textContent = `loading ${done} of ${total} files`; };
    progress();
    const fetchFile = async (name, path) => {
        const bytes = await fetchBytes(new URL(name.split("/").map(encodeURIComponent).join("/"), folder));
        if (bytes)
            files.set(path, bytes);
        ++done;
        progress();
        return bytes;
    };
    // Compiled while the rest loads, so that a start has only to instantiate it.
    const program = fetchBytes("demo.wasm").then((bytes) => {
        ++done;
        progress();
        return WebAssembly.compile(bytes);
    });
    const tune = fetchFile("demo.xm", showDirectory + "/demo.xm");
    const list = await fetchFile("pics.dat", showDirectory + "/pics.dat");
    const names = list ? new TextDecoder().decode(list).split(/\r?\n/).filter((line) => line !== "") : [];
    const pictures = new Map();
    for (const name of names) {
        const path = showPath(name);
        if (path && !files.has(path))
            pictures.set(path, name);
    }
    total += pictures.size;
    progress();
    await Promise.all([tune, ...[...pictures].map(([path, name]) => fetchFile(name, path))]);
    return {program: await program, files};
}

function writeFiles(fs, files) {
    fs.mkdirTree(showDirectory);
    for (const [path, bytes] of files) {
        fs.mkdirTree(path.slice(0, path.lastIndexOf("/")));
        fs.writeFile(path, bytes);
    }
}

// Runs the program once; resolves with its exit code and the last line it
// wrote on stderr.
async function play(show) {
    let lastError = "";
    const demo = await createDemo({
        canvas,
        instantiateWasm: (imports, receive) => {
            WebAssembly.instantiate(show.program, imports).then((instance) => receive(instance));
            return {};
        },
        print: (line) => console.log(line),
        printErr: (line) => { lastError = line; console.error(line); },
    });
    writeFiles(demo.FS, show.files);
    const args = ["demo", showDirectory];
    const argv = demo._malloc(4 * (args.length + 1));
    args.forEach((arg, i) => {
        const bytes = new TextEncoder().encode(arg + "\0");
        const at = demo._malloc(bytes.length);
        demo.HEAPU8.set(bytes, at);
        demo.HEAP32[(argv >> 2) + i] = at;
    });
    demo.HEAP32[(argv >> 2) + args.length] = 0;
    window.demoInstance = demo;
    try {
        const code = await demo.ccall("main", "number", ["number", "number"], [args.length, argv], {async: true});
        return {code, lastError};
    } catch (error) {
        // ExitProcess ends the program by throwing its exit status.
        if (error && error.name === "ExitStatus")
            return {code: error.status, lastError};
        return {code: null, lastError: lastError || String(error)};
    }
}

async function run(show) {
    panel.hidden = true;
    window.demoEnding = null;
    const ending = await play(show);
    status.textContent = ending.code === null ? "The show stopped: the program failed"
                                              : `The show has ended: exit code ${ending.code}`;
    failure.textContent = ending.code === 0 ? "" : ending.lastError;
    again.hidden = false;
    panel.hidden = false;
    window.demoEnding = ending;
}

function fullScreen() {
    if (!document.fullscreenElement && document.documentElement.requestFullscreen)
        document.documentElement.requestFullscreen().catch(() => {});
}
canvas.addEventListener("dblclick", fullScreen);
window.addEventListener("keydown", (event) => {
    if (event.key === "f" || event.key === "F")
        fullScreen();
});

fetchShow().then((show) => {
    status.textContent = "Click or press a key to start";
    const start = (event) => {
        if (event.type === "keydown" && (event.key === "f" || event.key === "F"))
            return;
        window.removeEventListener("pointerdown", start);
        window.removeEventListener("keydown", start);
        window.demoStarted = performance.now();
        run(show);
    };
    window.addEventListener("pointerdown", start);
    window.addEventListener("keydown", start);
    again.addEventListener("click", (event) => {
        event.stopPropagation();
        window.demoStarted = performance.now();
        run(show);
    });
}, (error) => {
    status.textContent = `The show cannot load: ${error}`;
});
