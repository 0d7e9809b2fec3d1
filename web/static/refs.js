'use strict';
(() => {
  const { api, table, showError, nav, loaded } = Corvanth;
  const results = document.getElementById('results');
  nav().catch((error) => showError(results, error));
  api('/api/refs').then((rows) => results.replaceChildren(table(rows))).catch((error) => showError(results, error)).finally(loaded);
})();
