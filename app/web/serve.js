// Serves the built page, a folder of static files, on the loopback address
// until stopped:  node serve.js SITE_FOLDER [PORT]
// Only files inside the folder are served; nothing is written.
'use strict';
const http = require('http');
const fs = require('fs');
const path = require('path');

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.htm': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm',
  '.png': 'image/png',
  '.webp': 'image/webp',
  '.json': 'application/json',
  '.webmanifest': 'application/manifest+json',
  '.wav': 'audio/wav',
};

function serve(root, port, host = '127.0.0.1') {
  root = fs.realpathSync(root);
  const server = http.createServer((req, res) => {
    if (req.method !== 'GET' && req.method !== 'HEAD') {
      res.writeHead(405).end();
      return;
    }
    let name;
    try {
      name = decodeURIComponent(new URL(req.url, 'http://x').pathname);
    } catch {
      res.writeHead(400).end();
      return;
    }
    if (name.endsWith('/')) name += 'index.html';
    const file = path.join(root, path.normalize(name));
    fs.realpath(file, (err, real) => {
      if (err || !(real === root || real.startsWith(root + path.sep))) {
        res.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found\n');
        return;
      }
      fs.readFile(real, (readErr, data) => {
        if (readErr) {
          res.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found\n');
          return;
        }
        res.writeHead(200, {
          'Content-Type': TYPES[path.extname(real).toLowerCase()] || 'application/octet-stream',
          'Content-Length': data.length,
          'Cache-Control': 'no-cache',
        });
        res.end(req.method === 'HEAD' ? undefined : data);
      });
    });
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, host, () => resolve(server));
  });
}

module.exports = { serve };

if (require.main === module) {
  const root = process.argv[2];
  const port = Number(process.argv[3] || process.env.RINDOU_WEB_PORT || 8080);
  if (!root) {
    console.error('usage: node serve.js SITE_FOLDER [PORT]');
    process.exit(2);
  }
  serve(root, port).then((server) => {
    console.log(`Rindou is served at http://127.0.0.1:${server.address().port}/ (Ctrl+C stops)`);
  }, (err) => {
    console.error(`rindou: cannot serve on port ${port}: ${err.message}`);
    process.exit(1);
  });
}
