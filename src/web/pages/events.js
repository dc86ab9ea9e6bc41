// The events page: the station's event log, filtered by kind and text, a
// page at a time.
'use strict';

(() => {
  const K = Korvane;
  const $ = (id) => document.getElementById(id);
  const PER_PAGE = 50;
  let page = 0;
  let pages = 1;

  function showKinds(kinds, labels) {
    const select = $('kind');
    const chosen = select.value;
    const named = (kind) => (labels && labels[kind]) || kind;
    const options = [K.el('option', { value: '' }, '全部类型')];
    // In the station's own order of kinds (losses first), then any other.
    const order = Object.keys(labels || {});
    const known = Object.keys(kinds || {}).sort((a, b) => {
      const ia = order.indexOf(a) < 0 ? order.length : order.indexOf(a);
      const ib = order.indexOf(b) < 0 ? order.length : order.indexOf(b);
      return ia - ib || a.localeCompare(b);
    });
    for (const kind of known) {
      options.push(K.el('option', { value: kind }, `${named(kind)}（${kinds[kind]}）`));
    }
    // The chosen kind stays selectable even when this span has none of it.
    if (chosen && !(chosen in (kinds || {}))) options.push(K.el('option', { value: chosen }, `${named(chosen)}（0）`));
    select.replaceChildren(...options);
    select.value = chosen;
  }

  function showRows(rows) {
    $('rows').replaceChildren(...rows.map((r) => {
      const tr = K.el('tr');
      tr.append(K.el('td', { class: 'time' }, r.time || K.time(r.t)));
      tr.append(K.el('td', null, r.kind_label || r.kind));
      tr.append(K.el('td', null, r.words));
      tr.append(K.el('td', { class: 'text' }, r.text));
      return tr;
    }));
    if (!rows.length) {
      const td = K.el('td', { class: 'muted', colSpan: 4 }, '没有符合条件的事件');
      const tr = K.el('tr');
      tr.append(td);
      $('rows').append(tr);
    }
  }

  async function load() {
    const to = Date.now();
    const from = to - Number($('span').value);
    const query = new URLSearchParams({
      from, to, kind: $('kind').value, text: $('text').value.trim(), page, per_page: PER_PAGE,
    });
    try {
      const answer = await K.getJson(`/api/events?${query}`);
      showKinds(answer.kinds, answer.kind_labels);
      showRows(answer.rows || []);
      pages = Math.max(1, Math.ceil(answer.total / PER_PAGE));
      $('total').textContent = `共 ${answer.total} 条`;
      $('page-words').textContent = `第 ${page + 1} / ${pages} 页`;
    } catch (e) {
      $('total').textContent = `加载失败：${e.message}`;
    }
    $('prev').disabled = page <= 0;
    $('next').disabled = page + 1 >= pages;
  }

  $('filters').addEventListener('submit', (e) => {
    e.preventDefault();
    page = 0;
    load();
  });
  $('kind').addEventListener('change', () => { page = 0; load(); });
  $('span').addEventListener('change', () => { page = 0; load(); });
  $('prev').addEventListener('click', () => { if (page > 0) { page--; load(); } });
  $('next').addEventListener('click', () => { if (page + 1 < pages) { page++; load(); } });
  K.nav('events').then(load).catch(() => {});
})();
