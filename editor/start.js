// Runs in the head of the review page: when the page is served with a token,
// asks for the zones at once, so the server prepares them while the page
// itself loads; editor.js takes the answer.
(function () {
  'use strict';
  var token = new URLSearchParams(location.search).get('token');
  if (!/^https?:$/.test(location.protocol) || !token) return;
  // The page's folder relative to the served folder: the folder of this
  // page's own path, "." at the root.
  var folder = decodeURIComponent(location.pathname.replace(/[^/]*$/, '')).replace(/^\/+|\/+$/g, '');
  var page = folder || '.';
  window.tavoEditorStart = {
    token: token,
    page: page,
    zones: fetch('/api/zones?page=' + encodeURIComponent(page)),
  };
})();
