'use strict';
// Who is playing now on every followed server (/api/who, as `corvanth-cli who` lists them), asked again
// every few seconds; the tables are redrawn in place, the page is never reloaded.
(() => {
  const { api, el, colourName, link, playerLink, showError, nav, loaded } = Corvanth;
  const results = document.getElementById('results');
  const status = document.getElementById('status');
  const headers = ['Slot', 'Name', 'StripName', 'IP', 'Since', 'Names from IP', 'Names from /24', 'Referee', 'Everything linked'];
  const kRefreshMs = 5000;

  function server(entry) {
    const section = el('section');
    const title = el('h2');
    title.appendChild(entry.Server ? colourName(entry.Server) : el('span', entry.Log));
    if (entry.Server) title.appendChild(el('span', ' (' + entry.StripServer + ', ' + entry.Log + ')'));
    section.appendChild(title);
    section.appendChild(el('p', entry.State + ', last line ' + (entry['Last Line'] || 'never') + ', ' +
      entry.Players.length + (entry.Players.length === 1 ? ' player' : ' players')));
    if (entry.Players.length === 0) return section;
    const t = el('table');
    const head = el('tr');
    for (const text of headers) head.appendChild(el('th', text));
    t.appendChild(head);
    for (const p of entry.Players) {
      const tr = el('tr');
      const name = el('td');
      name.appendChild(playerLink(p.Name));
      tr.append(el('td', p.Slot), name, el('td', p.StripName), el('td', p.IP), el('td', p.Since),
        el('td', p['Names from IP']), el('td', p['Names from /24']), el('td', p.Referee ? 'Yes' : 'No'));
      const linked = el('td');
      linked.appendChild(link('/cluster?name=' + encodeURIComponent(p.Name), 'linked'));
      tr.appendChild(linked);
      t.appendChild(tr);
    }
    section.appendChild(t);
    return section;
  }

  async function refresh() {
    try {
      const servers = await api('/api/who');
      results.replaceChildren(...servers.map(server));
      if (servers.length === 0) results.appendChild(el('p', 'No server is followed.'));
      status.textContent = 'Updated ' + new Date().toLocaleTimeString();
    } catch (error) {
      showError(results, error);
    } finally {
      loaded();
    }
  }

  nav().catch((error) => showError(results, error));
  refresh();
  setInterval(refresh, kRefreshMs);
})();
