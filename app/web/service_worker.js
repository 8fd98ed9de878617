// The page's offline copy.  Installing fetches every file of the site (the
// list the build wrote, precache.json) into a cache of this build's own; a
// request is then answered from the network when there is one, so that a
// newer build is seen at once, and from the cache when there is none.
// The cache holds one build's files only and is never topped up from the
// network: a page served offline never mixes the files of two builds.  A
// new build's worker differs from this one by its build id, so the browser
// installs it, and its cache replaces this one.
'use strict';
const BUILD_ID = '@RINDOU_BUILD_ID@';
const CACHE = `rindou-${BUILD_ID}`;

self.addEventListener('install', (event) => {
  event.waitUntil((async () => {
    const files = await (await fetch('precache.json', { cache: 'no-store' })).json();
    const cache = await caches.open(CACHE);
    await cache.addAll(files.map((f) => new Request(f, { cache: 'no-store' })));
    await self.skipWaiting();
  })());
});

self.addEventListener('activate', (event) => {
  event.waitUntil((async () => {
    for (const name of await caches.keys())
      if (name !== CACHE && (name === 'rindou' || name.startsWith('rindou-'))) await caches.delete(name);
    await self.clients.claim();
  })());
});

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith((async () => {
    try {
      return await fetch(request);
    } catch (offline) {
      const cache = await caches.open(CACHE);
      const cached = await cache.match(request, { ignoreSearch: true });
      if (cached) return cached;
      throw offline;
    }
  })());
});
