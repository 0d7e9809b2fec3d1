'use strict';
(() => {
  const { api, table, showError, nav, loaded } = Corvanth;
  const $ = (id) => document.getElementById(id);
  const state = { by: 'name', q: '', aliases: false, broad: false, page: 1, sort: null, order: 'asc', total: 0 };

  function params(withPage) {
    const p = new URLSearchParams({ by: state.by, q: state.q });
    if (state.by === 'name' && state.aliases) {
      p.set('aliases', '1');
      if (state.broad) p.set('broad', '1');
    }
    if (withPage) {
      p.set('page', String(state.page));
      if (state.sort !== null) {
        p.set('sort', String(state.sort));
        p.set('order', state.order);
      }
    }
    return p;
  }

  // The search asked for last: a new one drops it, so that the server stops running it.
  let pending = null;

  async function load() {
    history.replaceState(null, '', '/search?' + params(true));
    $('status').textContent = 'Searching…';
    if (pending) pending.abort();
    const mine = new AbortController();
    pending = mine;
    try {
      const reply = await api('/api/search?' + params(true), mine.signal);
      if (mine.signal.aborted) return;
      state.total = reply.total;
      const pages = Math.max(1, Math.ceil(reply.total / 100));
      $('status').textContent = 'Page ' + reply.page + ' of ' + pages + ', Total Matches: ' + reply.total +
        (reply.timedOut ? ' (stopped after 15 seconds)' : '');
      $('prev').disabled = reply.page <= 1;
      $('next').disabled = reply.page >= pages;
      $('csv').hidden = false;
      $('csv').href = '/api/search.csv?' + params(false);
      $('results').replaceChildren(table(reply.rows, [], (index) => {
        state.order = state.sort === index && state.order === 'asc' ? 'desc' : 'asc';
        state.sort = index;
        state.page = 1;
        load();
      }));
    } catch (error) {
      if (mine.signal.aborted) return; // the newer search shows its own result
      $('status').textContent = '';
      showError($('results'), error);
    }
    if (pending === mine) pending = null;
    loaded();
  }

  $('form').addEventListener('submit', (event) => {
    event.preventDefault();
    Object.assign(state, { by: $('by').value, q: $('q').value, aliases: $('aliases').checked,
      broad: $('broad').checked, page: 1, sort: null, order: 'asc' });
    load();
  });
  $('prev').addEventListener('click', () => { state.page--; load(); });
  $('next').addEventListener('click', () => { state.page++; load(); });
  $('prev').disabled = $('next').disabled = true;

  nav().catch((error) => showError($('results'), error));
  const given = new URLSearchParams(location.search);
  if (given.get('q')) {
    $('by').value = given.get('by') === 'ip' ? 'ip' : 'name';
    $('q').value = given.get('q');
    $('aliases').checked = given.get('aliases') === '1';
    $('broad').checked = given.get('broad') === '1';
    Object.assign(state, { by: $('by').value, q: $('q').value, aliases: $('aliases').checked,
      broad: $('broad').checked, page: Number(given.get('page')) || 1 });
    load();
  }
})();
