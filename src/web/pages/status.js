// The status page: every figure of the live frame, the lamps, the alarm and
// a compass with the antenna, the ship's heading and the target.
'use strict';

(() => {
  const K = Korvane;
  const $ = (id) => document.getElementById(id);

  const ticks = $('compass-ticks');
  for (let deg = 0; deg < 360; deg += 30) {
    const t = document.createElementNS('http://www.w3.org/2000/svg', 'line');
    t.setAttribute('y1', '-104');
    t.setAttribute('y2', deg % 90 === 0 ? '-94' : '-98');
    t.setAttribute('transform', `rotate(${deg})`);
    ticks.append(t);
  }

  function showFigures(figures) {
    const box = $('figures');
    const nodes = (figures || []).map((f) => {
      const card = K.el('div', { class: f.stale ? 'figure stale' : 'figure', id: `fig-${f.id}` });
      card.dataset.stale = f.stale ? '1' : '0';
      card.append(K.el('div', { class: 'label' }, f.label));
      const value = K.el('div', { class: 'value-line' });
      value.append(K.el('span', { class: 'value' }, f.text === '' || f.text === null ? '—' : f.text));
      if (f.unit) value.append(K.el('span', { class: 'unit' }, f.unit));
      card.append(value);
      card.append(K.el('div', { class: 'age' }, f.stale ? K.staleMark(f.age_s) : K.age(f.age_s)));
      if (f.stale) card.title = '此数据已过时，不是当前值';
      return card;
    });
    box.replaceChildren(...nodes);
  }

  function showLamps(lamps) {
    $('lamps').replaceChildren(...(lamps || []).map((l) => {
      const lamp = K.el('div', { class: 'lamp', id: `lamp-${l.id}` });
      if (l.tip) lamp.title = l.tip;
      const dot = K.el('span', { class: 'dot' });
      K.paint(dot, l.colour);
      lamp.append(dot);
      const words = K.el('div');
      words.append(K.el('div', null, l.label));
      words.append(K.el('div', { class: 'words' }, l.status));
      lamp.append(words);
      return lamp;
    }));
  }

  function needle(name, deg) {
    const g = $(`needle-${name}`);
    const known = typeof deg === 'number' && isFinite(deg);
    g.classList.toggle('hidden', !known);
    if (known) g.setAttribute('transform', `rotate(${deg})`);
    $(`deg-${name}`).textContent = known ? `${deg.toFixed(1)}°` : '—';
  }

  function show(frame) {
    $('caption').textContent = frame.caption || '';
    const alarm = $('alarm');
    alarm.textContent = frame.alarm || (frame.alarm_on ? '报警' : '无报警');
    alarm.classList.toggle('on', !!frame.alarm_on);
    $('notice').textContent = frame.notice || '';
    showFigures(frame.figures);
    showLamps(frame.lamps);
    const c = frame.compass || {};
    needle('antenna', c.antenna_deg);
    needle('heading', c.heading_deg);
    needle('target', c.target_deg);
  }

  K.nav('status').then(() => K.live(show)).catch(() => {});
})();
