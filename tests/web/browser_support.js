// What every browser test of the page starts from: the built site served on
// a loopback port of its own, the system's Chromium (headless, no network
// but the loopback), and the folder its screenshots go to.
'use strict';
const fs = require('fs');
const path = require('path');
const { chromium } = require(path.join(__dirname, '..', '..', 'app', 'web', 'node_modules',
                                       'playwright-core'));
const { serve } = require(path.join(__dirname, '..', '..', 'app', 'web', 'serve.js'));
const { root, site } = require('./console_scripts');

const shots = process.env.RINDOU_WEB_SHOTS || path.join(root, 'build-web', 'shots');

// Chromium's options for a test: nothing of its own that reaches out.
const launchOptions = {
  executablePath: '/usr/bin/chromium',
  headless: true,
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--no-first-run',
         '--disable-background-networking', '--disable-component-update', '--disable-sync'],
};

// The site served and, unless told otherwise, a browser on a user-data
// folder of Playwright's own, made afresh and removed when it closes.
async function startPage({ browser = true } = {}) {
  const server = await serve(site, 0);
  const address = `http://127.0.0.1:${server.address().port}/`;
  fs.mkdirSync(shots, { recursive: true });
  return { server, address, browser: browser ? await chromium.launch(launchOptions) : null };
}

async function stopPage(started) {
  if (!started) return;
  if (started.browser) await started.browser.close();
  if (started.server) started.server.close();
}

module.exports = { chromium, serve, launchOptions, shots, startPage, stopPage };
