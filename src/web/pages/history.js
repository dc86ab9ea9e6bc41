// The history page: the station's samples over a span, one chart per unit,
// min and max of each pixel column as the error band, link outages shaded
// and events marked.
'use strict';

(() => {
  const K = Korvane;
  const MIN = 60 * 1000;
  const HOUR = 60 * MIN;
  const SPANS = [['10分钟', 10 * MIN], ['1小时', HOUR], ['6小时', 6 * HOUR], ['24小时', 24 * HOUR],
    ['48小时', 48 * HOUR], ['7天', 7 * 24 * HOUR], ['30天', 30 * 24 * HOUR]];
  const BANDS = { board: 'rgba(198,40,40,.25)', radio: 'rgba(245,124,0,.3)' };
  const OTHER_BAND = 'rgba(120,120,120,.2)';
  const COLOURS = ['#1565c0', '#2e7d32', '#ef6c00', '#6a1b9a', '#00838f', '#ad1457', '#5d4037'];
  const state = document.getElementById('history-state');
  const chartsBox = document.getElementById('charts');
  let span = 10 * MIN;
  let refreshTimer = null;
  // For the browser test and for debugging from the console.
  window.korvaneCharts = [];

  // dygraphs writes series labels into its legend as HTML.
  const escapeHtml = (s) => String(s).replace(/[&<>"']/g, (c) => `&#${c.charCodeAt(0)};`);

  function spanButtons() {
    const box = document.getElementById('spans');
    const csv = document.getElementById('csv');
    for (const [words, ms] of SPANS) {
      const b = K.el('button', { type: 'button', class: ms === span ? 'active' : '' }, words);
      b.dataset.span = String(ms);
      b.addEventListener('click', () => {
        span = ms;
        for (const other of box.querySelectorAll('button')) other.classList.toggle('active', other === b);
        load();
      });
      box.insertBefore(b, csv);
    }
  }

  // One chart per unit: signal in dBm, rates together, angles together.
  function groups(figures) {
    const byUnit = new Map();
    const some = (list) => (list || []).some((v) => v !== null && v !== undefined);
    for (const [id, f] of Object.entries(figures || {})) {
      // A figure this station never had in the span (the CPE's beside a radio) is left out.
      if (!some(f.min) && !some(f.max)) continue;
      const unit = f.unit || '';
      if (!byUnit.has(unit)) byUnit.set(unit, []);
      byUnit.get(unit).push([id, f]);
    }
    return [...byUnit.entries()];
  }

  function bandsPainter(history) {
    return (ctx, area, g) => {
      for (const [link, ranges] of Object.entries(history.links || {})) {
        ctx.fillStyle = BANDS[link] || OTHER_BAND;
        for (const r of ranges) {
          if (r.state !== 'down') continue;
          const x1 = Math.max(area.x, g.toDomXCoord(r.from));
          const x2 = Math.min(area.x + area.w, g.toDomXCoord(r.to));
          if (x2 > x1) ctx.fillRect(x1, area.y, Math.max(1, x2 - x1), area.h);
        }
      }
      // Losses, alarms, reboots and refused reports cross the chart; the
      // routine marks (comparisons, logins, drives) are short ticks at its
      // foot, so a week of them does not hide the figures.
      ctx.lineWidth = 1;
      for (const m of history.marks || []) {
        const x = Math.round(g.toDomXCoord(m.t)) + 0.5;
        if (x < area.x || x > area.x + area.w) continue;
        ctx.strokeStyle = m.severe ? '#6a1b9a' : 'rgba(106, 27, 154, 0.45)';
        ctx.beginPath();
        ctx.moveTo(x, m.severe ? area.y : area.y + area.h - 6);
        ctx.lineTo(x, area.y + area.h);
        ctx.stroke();
      }
    };
  }

  function nearestTime(times, t) {
    let best = times[0];
    for (const x of times) if (Math.abs(x - t) < Math.abs(best - t)) best = x;
    return best;
  }

  const bar = (f, i) => {
    const lo = f.min ? f.min[i] : null;
    const hi = f.max ? f.max[i] : null;
    if (lo === null || hi === null || lo === undefined || hi === undefined) return null;
    return [lo, (lo + hi) / 2, hi];
  };

  // A chart's rows: only the columns where one of its figures has a sample,
  // so a peer read less often than a column lasts still draws a line. Where
  // its samples stop for much longer than they usually come (the peer was
  // down), a row of nothing breaks the line.
  function groupRows(times, members) {
    const kept = times.map((t, i) => i).filter((i) => members.some(([, f]) => bar(f, i) !== null));
    const steps = kept.slice(1).map((i, n) => times[i] - times[kept[n]]).sort((a, b) => a - b);
    const usual = steps.length ? steps[Math.floor(steps.length / 2)] : 0;
    const rows = [];
    kept.forEach((i, n) => {
      if (n > 0 && usual > 0 && times[i] - times[kept[n - 1]] > 3 * usual) {
        rows.push([new Date((times[i] + times[kept[n - 1]]) / 2), ...members.map(() => null)]);
      }
      rows.push([new Date(times[i]), ...members.map(([, f]) => bar(f, i))]);
    });
    return rows;
  }

  function draw(history) {
    window.korvaneHistory = history;
    for (const g of window.korvaneCharts) g.destroy();
    window.korvaneCharts = [];
    chartsBox.replaceChildren();
    const times = history.times || [];
    let drawn = 0;
    // A station that has recorded for less than the span: the axis starts
    // with its first sample, not with minutes of nothing.
    const has = (i) => Object.values(history.figures || {}).some((f) =>
      (f.min && f.min[i] !== null && f.min[i] !== undefined) || (f.max && f.max[i] !== null && f.max[i] !== undefined));
    const firstColumn = times.findIndex((_, i) => has(i));
    const start = firstColumn > 0 ? times[firstColumn] : history.from;
    groups(history.figures).forEach(([unit, members], n) => {
      const card = K.el('section', { class: 'card' });
      card.append(K.el('h2', { class: 'chart-title' },
        members.map(([, f]) => f.label).join(' / ') + (unit ? `（${unit}）` : '')));
      const box = K.el('div', { class: 'chart', id: `chart-${n}` });
      card.append(box);
      chartsBox.append(card);
      const rows = groupRows(times, members);
      if (!rows.length) {
        box.replaceChildren(K.el('p', { class: 'muted' }, '此时段没有数据'));
        return;
      }
      const labels = ['时间', ...members.map(([, f]) => escapeHtml(f.label))];
      const g = new Dygraph(box, rows, {
        labels,
        customBars: true,
        connectSeparatedPoints: false,
        colors: members.map((_, i) => COLOURS[(i + n) % COLOURS.length]),
        dateWindow: [start, history.to],
        ylabel: escapeHtml(unit),
        legend: 'follow',
        labelsKMB: false,
        underlayCallback: bandsPainter(history),
        axes: { x: { pixelsPerLabel: 80 } },
      });
      const series = labels[1];
      g.ready(() => {
        // Every mark is named on a short span; on a long one, only the
        // severe ones, so the boxes do not cover the chart.
        const marks = history.marks || [];
        const named = marks.length <= 40 ? marks : marks.filter((m) => m.severe);
        g.setAnnotations(named.filter(() => times.length).map((m) => ({
          series,
          x: nearestTime(times, m.t),
          shortText: m.count > 1 ? String(m.count) : '!',
          text: `${K.time(m.t)} ${m.kind_label || m.kind}${m.count > 1 ? ` ×${m.count}` : ''}：${m.words || ''}`,
          width: 16,
          height: 16,
          tickHeight: 6,
        })));
      });
      window.korvaneCharts.push(g);
      drawn++;
    });
    if (!drawn) state.textContent = '此时段没有数据';
    else if (start > history.from) state.textContent = `${K.time(start)} — ${K.time(history.to)}（此前没有记录）`;
    else state.textContent = `${K.time(history.from)} — ${K.time(history.to)}`;
  }

  async function load() {
    clearTimeout(refreshTimer);
    const to = Date.now();
    const from = to - span;
    document.getElementById('csv').href = `/api/history.csv?from=${from}&to=${to}`;
    const columns = Math.max(1, Math.min(4000, Math.round(chartsBox.clientWidth - 80)));
    state.textContent = '加载中…';
    try {
      draw(await K.getJson(`/api/history?from=${from}&to=${to}&columns=${columns}`));
    } catch (e) {
      state.textContent = `加载失败：${e.message}`;
    }
    // Short spans move visibly: follow them.
    if (span <= HOUR) refreshTimer = setTimeout(load, span <= 10 * MIN ? 10000 : 30000);
  }

  spanButtons();
  K.nav('history').then(load).catch(() => {});
})();
