'use strict';
// What every page shares: the API call, element building (text only, never markup), the game's
// colours, the navigation bar with the log-out form.
const Corvanth = (() => {
  // `signal` (an AbortController's) lets a page drop a request it no longer wants: its connection closes,
  // and the server stops the search.
  async function api(path, signal) {
    const response = await fetch(path, { credentials: 'same-origin', headers: { Accept: 'application/json' },
      signal });
    if (response.status === 401) {
      location.href = '/login';
      throw new Error('log in first');
    }
    const body = await response.json();
    if (!response.ok) throw new Error(body.error || response.statusText);
    return body;
  }

  function el(tag, text, className) {
    const element = document.createElement(tag);
    if (text !== undefined && text !== null) element.textContent = String(text);
    if (className) element.className = className;
    return element;
  }

  // A player name as the game draws it: ^0 to ^9 choose the colour, "^" and the character after it
  // are not shown (as the stripped name drops them).
  function colourName(name) {
    const span = el('span', null, 'name');
    const chars = Array.from(name);
    let colour = '7';
    let run = '';
    const flush = () => {
      if (run) span.appendChild(el('span', run, 'c' + colour));
      run = '';
    };
    for (let i = 0; i < chars.length; i++) {
      if (chars[i] === '^') {
        flush();
        const next = chars[i + 1];
        if (next !== undefined && next >= '0' && next <= '9') colour = next;
        i++;
      } else {
        run += chars[i];
      }
    }
    flush();
    return span;
  }

  function link(href, child) {
    const a = el('a');
    a.href = href;
    if (typeof child === 'string') a.textContent = child;
    else a.appendChild(child);
    return a;
  }

  function playerLink(name) {
    return link('/player?name=' + encodeURIComponent(name), colourName(name));
  }

  const columns = ['Name', 'StripName', 'IP', 'LastConnection', 'Referee'];
  const headers = ['Name', 'StripName', 'IP', 'Last Connection', 'Referee'];

  function cell(row, column) {
    const td = el('td');
    if (column === 'Name') td.appendChild(playerLink(row.Name));
    else if (column === 'Referee') td.textContent = row.Referee === null ? '' : row.Referee ? 'True' : 'False';
    else td.textContent = row[column] === null ? '' : String(row[column]);
    return td;
  }

  // A table of API rows; `extra` names more columns (Hops, Via); `onHeader(index)` makes the five
  // headers sortable.
  function table(rows, extra, onHeader) {
    const t = el('table');
    const head = el('tr');
    headers.concat(extra || []).forEach((text, index) => {
      const th = el('th', text);
      if (onHeader && index < headers.length) {
        th.className = 'sortable';
        th.addEventListener('click', () => onHeader(index));
      }
      head.appendChild(th);
    });
    head.appendChild(el('th', 'Everything linked'));
    t.appendChild(head);
    for (const row of rows) {
      const tr = el('tr');
      for (const column of columns.concat(extra || [])) tr.appendChild(cell(row, column));
      const linked = el('td');
      linked.appendChild(link('/cluster?name=' + encodeURIComponent(row.Name), 'linked'));
      tr.appendChild(linked);
      t.appendChild(tr);
    }
    return t;
  }

  function showError(target, error) {
    target.replaceChildren(el('p', error.message, 'error'));
  }

  async function nav() {
    const bar = document.getElementById('nav');
    const session = await api('/api/session');
    for (const [href, text] of [['/now', 'Now playing'], ['/search', 'Search'], ['/cluster', 'Everything linked'], ['/refs', 'Referees']])
      bar.appendChild(link(href, text));
    if (session.role === 'admin') bar.appendChild(link('/admin', 'Audit'));
    const form = el('form');
    form.method = 'post';
    form.action = '/logout';
    const csrf = el('input');
    csrf.type = 'hidden';
    csrf.name = 'csrf';
    csrf.value = session.csrf;
    const button = el('button', 'Log out ' + session.account + ' (' + session.role + ')');
    button.type = 'submit';
    form.append(csrf, button);
    bar.appendChild(form);
    return session;
  }

  // Counts the page's finished loads (data-loads on the body), so a test driving a browser can wait
  // for one.
  function loaded() {
    document.body.dataset.loads = String(Number(document.body.dataset.loads || 0) + 1);
  }

  return { api, el, colourName, link, playerLink, table, showError, nav, loaded };
})();
