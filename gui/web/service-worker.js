// Keeps every file of the site, so that the page starts without a network. The site's build
// fills in the list and a version that changes with the files: a new version fetches them all
// anew and drops the old copies.
const version = '@VERSION@';
const files = [@FILES@];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(version).then((cache) => cache.addAll(files)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
      .then((names) => Promise.all(names.filter((n) => n !== version).map((n) => caches.delete(n))))
      .then(() => self.clients.claim()));
});

// What the cache holds comes from there; anything else from the network.
self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  event.respondWith(caches.open(version)
      .then((cache) => cache.match(event.request, {ignoreSearch: true}))
      .then((kept) => kept || fetch(event.request)));
});
