// The page's offline copy.  Installing fetches every file of the site (the
// list the build wrote, precache.json) into a cache; a request is then
// answered from the network when there is one, so that a newer build is
// seen at once, and from the cache when there is none.
'use strict';
const CACHE = 'rindou';

self.addEventListener('install', (event) => {
  event.waitUntil((async () => {
    const files = await (await fetch('precache.json', { cache: 'no-store' })).json();
    const cache = await caches.open(CACHE);
    await cache.addAll(files.map((f) => new Request(f, { cache: 'no-store' })));
    await self.skipWaiting();
  })());
});

self.addEventListener('activate', (event) => {
  event.waitUntil(self.clients.claim());
});

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith((async () => {
    try {
      const response = await fetch(request);
      if (response.ok && response.type === 'basic') {
        const copy = response.clone();
        caches.open(CACHE).then((cache) => cache.put(request, copy)).catch(() => {});
      }
      return response;
    } catch (offline) {
      const cached = await caches.match(request, { ignoreSearch: true });
      if (cached) return cached;
      throw offline;
    }
  })());
});
