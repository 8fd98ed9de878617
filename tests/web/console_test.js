// The page's console is the native console: the module built for the page,
// run by node, prints byte for byte what rindou-cli prints for the same lines.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const fs = require('fs');
const path = require('path');
const { site, scripts, runNative } = require('./console_scripts');

async function runModule(input) {
  const createRindou = require(path.join(site, 'rindou.js'));
  const m = await createRindou({ wasmBinary: fs.readFileSync(path.join(site, 'rindou.wasm')) });
  const bytes = Buffer.from(input, 'utf8');
  const at = m._malloc(bytes.length + 1);
  m.HEAPU8.set(bytes, at);
  m.HEAPU8[at + bytes.length] = 0;
  const out = m._rindou_console(at, bytes.length);
  return Buffer.from(m.HEAPU8.slice(out, out + m._rindou_console_size()));
}

test('the module prints what rindou-cli prints', async (t) => {
  for (const { name, input } of scripts()) {
    await t.test(name, async () => {
      const native = runNative(input);
      const web = await runModule(input);
      assert.ok(native.length > 0);
      assert.strictEqual(web.toString('utf8'), native.toString('utf8'));
      assert.ok(web.equals(native), 'same text, other bytes');
    });
  }
});
