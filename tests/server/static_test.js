// The page's files as the server sends them: the compressed form made beside
// a file when the browser accepts it, how long a browser may keep each file,
// the 304 of a file unchanged, and nothing from outside the site's folder.
// Plain node:http, not fetch: fetch would undo the compression unseen.
'use strict';
const { test, before, after } = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const http = require('http');
const path = require('path');
const zlib = require('zlib');
const h = require('./harness');

let server, site;
const SCRIPT = Buffer.from('"use strict";\n' + 'const board = [];\n'.repeat(200));
const PICTURE = Buffer.from([0x89, 0x50, 0x4e, 0x47, 1, 2, 3, 4]);

before(async () => {
  const top = h.scratch('static');
  site = path.join(top, 'site');
  fs.mkdirSync(path.join(site, 'pictures'), { recursive: true });
  fs.writeFileSync(path.join(top, 'secret.txt'), 'not for the web\n');
  fs.writeFileSync(path.join(site, 'index.html'), '<!doctype html><title>Rindou</title>\n');
  fs.writeFileSync(path.join(site, 'service_worker.js'), 'self.addEventListener("fetch", () => {});\n');
  fs.writeFileSync(path.join(site, '.hidden'), 'hidden\n');
  fs.writeFileSync(path.join(site, 'pictures', 'king.png'), PICTURE);
  fs.writeFileSync(path.join(site, 'pictures', 'first.webp'), PICTURE);
  for (const name of ['page.js', 'only_gz.js', 'stale.js']) {
    fs.writeFileSync(path.join(site, name), SCRIPT);
    fs.writeFileSync(path.join(site, name + '.gz'), zlib.gzipSync(SCRIPT, { level: 9 }));
  }
  fs.writeFileSync(path.join(site, 'page.js.br'), zlib.brotliCompressSync(SCRIPT));
  // A compressed form older than its file was left by an earlier build.
  const old = new Date(Date.now() - 3600e3);
  fs.utimesSync(path.join(site, 'stale.js.gz'), old, old);
  server = await h.startServer(path.join(top, 'x.sqlite'), ['--site', site]);
});
after(async () => { await server.stop(); });

function get(url, headers = {}, method = 'GET') {
  return new Promise((resolve, reject) => {
    const req = http.request({ host: '127.0.0.1', port: server.port, path: url, method, headers,
                               timeout: h.WAIT }, (res) => {
      const chunks = [];
      res.on('data', (c) => chunks.push(c));
      res.on('end', () => resolve({ status: res.statusCode, headers: res.headers, body: Buffer.concat(chunks) }));
    });
    req.on('timeout', () => req.destroy(new Error(`GET ${url} timed out`)));
    req.on('error', reject);
    req.end();
  });
}

test('a compressed form is sent only where the request accepts it, and undoes to the file', async () => {
  const gz = await get('/page.js', { 'Accept-Encoding': 'gzip, deflate' });
  assert.strictEqual(gz.status, 200);
  assert.strictEqual(gz.headers['content-encoding'], 'gzip');
  assert.strictEqual(gz.headers['vary'], 'Accept-Encoding');
  assert.match(gz.headers['content-type'], /^text\/javascript/);
  assert.deepStrictEqual(zlib.gunzipSync(gz.body), SCRIPT);

  const br = await get('/page.js', { 'Accept-Encoding': 'gzip, br' });
  assert.strictEqual(br.headers['content-encoding'], 'br');
  assert.deepStrictEqual(zlib.brotliDecompressSync(br.body), SCRIPT);
  const onlyGz = await get('/only_gz.js', { 'Accept-Encoding': 'br, gzip' });
  assert.strictEqual(onlyGz.headers['content-encoding'], 'gzip');

  for (const accept of [undefined, 'identity', 'gzip;q=0, br;q=0.000', 'deflate', '*;q=0']) {
    const plain = await get('/page.js', accept === undefined ? {} : { 'Accept-Encoding': accept });
    assert.strictEqual(plain.headers['content-encoding'], undefined, String(accept));
    assert.deepStrictEqual(plain.body, SCRIPT, String(accept));
  }
  const star = await get('/only_gz.js', { 'Accept-Encoding': '*' });
  assert.strictEqual(star.headers['content-encoding'], 'gzip');

  const stale = await get('/stale.js', { 'Accept-Encoding': 'gzip' });
  assert.strictEqual(stale.headers['content-encoding'], undefined);
  assert.deepStrictEqual(stale.body, SCRIPT);

  const head = await get('/page.js', { 'Accept-Encoding': 'gzip' }, 'HEAD');
  assert.strictEqual(head.headers['content-encoding'], 'gzip');
  assert.strictEqual(Number(head.headers['content-length']), gz.body.length);
});

test('the page is asked for every time, pictures kept a day, and an unchanged file answered by a 304', async () => {
  for (const url of ['/', '/index.html', '/service_worker.js', '/page.js'])
    assert.strictEqual((await get(url)).headers['cache-control'], 'no-cache', url);
  const picture = await get('/pictures/king.png');
  assert.strictEqual(picture.headers['cache-control'], 'public, max-age=86400');
  assert.deepStrictEqual(picture.body, PICTURE);
  // The first board's sheet comes as WebP: named as such, and kept like any picture.
  const sheet = await get('/pictures/first.webp');
  assert.strictEqual(sheet.headers['content-type'], 'image/webp');
  assert.strictEqual(sheet.headers['cache-control'], 'public, max-age=86400');

  const first = await get('/page.js', { 'Accept-Encoding': 'gzip' });
  const plain = await get('/page.js');
  assert.ok(first.headers.etag && first.headers['last-modified']);
  assert.notStrictEqual(first.headers.etag, plain.headers.etag, 'each form has its own tag');
  const again = await get('/page.js', { 'Accept-Encoding': 'gzip', 'If-None-Match': first.headers.etag });
  assert.strictEqual(again.status, 304);
  assert.strictEqual(again.body.length, 0);
  assert.strictEqual(again.headers.etag, first.headers.etag);
  const weak = await get('/page.js', { 'If-None-Match': `"other", W/${plain.headers.etag}` });
  assert.strictEqual(weak.status, 304);
  const since = await get('/page.js', { 'If-Modified-Since': plain.headers['last-modified'] });
  assert.strictEqual(since.status, 304);
  const otherTag = await get('/page.js', { 'If-None-Match': '"other"',
                                           'If-Modified-Since': plain.headers['last-modified'] });
  assert.strictEqual(otherTag.status, 200, 'a tag that differs wins over the date');

  // A new build changes the file: the old tag no longer matches.
  fs.writeFileSync(path.join(site, 'index.html'), '<!doctype html><title>Rindou 2</title>\n');
  const before = await get('/index.html');
  fs.appendFileSync(path.join(site, 'index.html'), '<p>new</p>\n');
  const changed = await get('/index.html', { 'If-None-Match': before.headers.etag });
  assert.strictEqual(changed.status, 200);
  assert.match(changed.body.toString(), /new/);
});

test('nothing outside the site\'s folder, nor hidden in it, is sent', async () => {
  for (const url of ['/../secret.txt', '/%2e%2e/secret.txt', '/pictures/..%2f..%2fsecret.txt',
                     '/pictures/%2e%2e/%2e%2e/secret.txt', '/.hidden', '/%2ehidden', '/pictures/../.hidden',
                     '/page.js%00.png', '/pictures']) {
    const r = await get(url, { 'Accept-Encoding': 'gzip' });
    assert.strictEqual(r.status, 404, url);
    assert.doesNotMatch(r.body.toString(), /not for the web|hidden\n/, url);
  }
});
