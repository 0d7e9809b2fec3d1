'use strict';
(() => {
  const { api, showError, nav, loaded } = Corvanth;
  const audit = document.getElementById('audit');
  nav().catch((error) => showError(audit, error));
  api('/api/audit').then((lines) => { audit.textContent = lines.join('\n'); }).catch((error) => showError(audit, error)).finally(loaded);
})();
