'use strict';
(() => {
  const { api, table, showError, nav, loaded } = Corvanth;
  const $ = (id) => document.getElementById(id);

  // The drawing from dot, put into the page as SVG elements (never as HTML); a name's box opens its
  // player page.
  async function drawGraph(query) {
    const response = await fetch('/api/cluster.svg?' + query, { credentials: 'same-origin' });
    if (!response.ok) throw new Error('the picture could not be drawn');
    const svg = new DOMParser().parseFromString(await response.text(), 'image/svg+xml').documentElement;
    if (svg.nodeName !== 'svg') throw new Error('the picture could not be read');
    for (const bad of svg.querySelectorAll('script, foreignObject, a')) bad.remove();
    for (const node of svg.querySelectorAll('g.node')) {
      const id = node.querySelector('title');
      const label = node.querySelector('text');
      if (!id || !label || !id.textContent.startsWith('n')) continue;
      node.style.cursor = 'pointer';
      node.addEventListener('click', () => {
        location.href = '/player?name=' + encodeURIComponent(label.textContent);
      });
    }
    $('graph').replaceChildren(document.importNode(svg, true));
  }

  async function walk() {
    const p = new URLSearchParams({ depth: $('depth').value || '6' });
    p.set($('by').value, $('q').value);
    if ($('broad').checked) p.set('broad', '1');
    if ($('samename').checked) p.set('samename', '1');
    history.replaceState(null, '', '/cluster?' + p);
    $('status').textContent = 'Walking…';
    try {
      const reply = await api('/api/cluster?' + p);
      $('status').textContent = 'Total Matches: ' + reply.total + (reply.timedOut ? ' (stopped after 15 seconds)' : '');
      $('results').replaceChildren(table(reply.rows, ['Hops', 'Via']));
      await drawGraph(p);
    } catch (error) {
      $('status').textContent = '';
      showError($('results'), error);
    }
    loaded();
  }

  $('form').addEventListener('submit', (event) => {
    event.preventDefault();
    walk();
  });
  nav().catch((error) => showError($('results'), error));
  const given = new URLSearchParams(location.search);
  for (const by of ['name', 'ip']) {
    if (given.get(by)) {
      $('by').value = by;
      $('q').value = given.get(by);
      $('depth').value = given.get('depth') || '6';
      $('broad').checked = given.get('broad') === '1';
      $('samename').checked = given.get('samename') === '1';
      walk();
    }
  }
})();
