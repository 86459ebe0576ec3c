// serve.js - a static web server for the site on 127.0.0.1, for trying
// the page locally and for its tests, which read the addresses it served.
// Usage: node serve.js SITE PORT; or require it and call serve(site, port).
"use strict";
const fs = require("fs");
const http = require("http");
const path = require("path");

const types = {
    ".html": "text/html; charset=utf-8", ".js": "text/javascript", ".wasm": "application/wasm",
    ".ico": "image/x-icon", ".png": "image/png", ".dat": "text/plain",
};

// Resolves with the listening server; `requested` lists each path asked
// for, in order.
function serve(site, port) {
    const root = path.resolve(site);
    const requested = [];
    const server = http.createServer((request, response) => {
        const url = new URL(request.url, "http://127.0.0.1");
        requested.push(url.pathname);
        let file = path.join(root, decodeURIComponent(url.pathname));
        if (file.endsWith("/"))
            file = path.join(file, "index.html");
        fs.readFile(file.startsWith(root + path.sep) ? file : "", (error, data) => {
            if (error) {
                response.writeHead(404, {"Content-Type": "text/plain"});
                response.end("not found\n");
                return;
            }
            response.writeHead(200, {"Content-Type": types[path.extname(file)] || "application/octet-stream"});
            response.end(data);
        });
    });
    server.requested = requested;
    return new Promise((resolve, reject) => {
        server.once("error", reject);
        server.listen(port, "127.0.0.1", () => resolve(server));
    });
}

module.exports = {serve};

if (require.main === module) {
    const [site, port] = process.argv.slice(2);
    serve(site, Number(port)).then((server) => {
        console.log(`serving ${site} at http://127.0.0.1:${server.address().port}/`);
    }, (error) => {
        console.error(`serve.js: cannot serve on port ${port}: ${error.message}`);
        process.exit(1);
    });
}
