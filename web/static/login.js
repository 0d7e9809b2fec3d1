'use strict';
// The log-in form carries a fresh token, which the server also sets as a cookie: fetched when the form
// is sent, so the token is never older than the click.
(() => {
  const form = document.getElementById('login');
  const message = document.getElementById('message');
  let sending = false;
  form.addEventListener('submit', async (event) => {
    event.preventDefault();
    if (sending) return;
    sending = true;
    try {
      const response = await fetch('/login/token', { credentials: 'same-origin', cache: 'no-store' });
      if (!response.ok) throw new Error('the server gave no log-in token (' + response.status + ')');
      form.elements.csrf.value = (await response.json()).csrf;
      form.submit();
    } catch (error) {
      message.textContent = error.message;
      sending = false;
    }
  });
})();
