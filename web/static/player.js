'use strict';
(() => {
  const { api, el, colourName, link, table, showError, nav, loaded } = Corvanth;
  const results = document.getElementById('results');
  const name = new URLSearchParams(location.search).get('name') || '';
  nav().catch((error) => showError(results, error));
  const title = document.getElementById('title');
  title.replaceChildren(colourName(name), el('span', ' ' + name.replace(/\^./gu, '').replace(/\^$/u, '')));
  api('/api/player?name=' + encodeURIComponent(name)).then((reply) => {
    const summary = document.getElementById('summary');
    summary.replaceChildren(el('span', reply.total + ' rows: every address this name used and every name seen from them. '),
      link('/cluster?name=' + encodeURIComponent(name), 'Everything linked'));
    results.replaceChildren(table(reply.rows));
  }).catch((error) => showError(results, error)).finally(loaded);
})();
