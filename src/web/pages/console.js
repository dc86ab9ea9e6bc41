// The operator's console: the station's terminal, its command box, the
// ring of angle buttons, the slider, 连接, the progress bar and whatever
// question the station is asking.
'use strict';

(() => {
  const K = Korvane;
  const $ = (id) => document.getElementById(id);
  const KEEP = 20000;
  const terminal = $('terminal');
  const slider = $('slider');
  let sliderBusy = false;
  let questionId = null;

  function follow(text, whole) {
    // Stay where the operator scrolled to, unless they are at the bottom.
    const atBottom = terminal.scrollHeight - terminal.scrollTop - terminal.clientHeight < 24;
    let all = whole ? text : terminal.textContent + text;
    if (all.length > KEEP) all = all.slice(all.length - KEEP);
    terminal.textContent = all;
    if (atBottom) terminal.scrollTop = terminal.scrollHeight;
  }

  async function act(body, errorBox) {
    const box = $(errorBox);
    box.textContent = '';
    try {
      await K.post('/api/action', body);
    } catch (e) {
      box.textContent = `操作失败：${e.message}`;
    }
  }

  function showRing(ring) {
    const box = $('ring');
    const dots = ring.dots || [];
    if (box.children.length !== dots.length) {
      box.replaceChildren(...dots.map((d) => {
        const b = K.el('button', { type: 'button' });
        b.dataset.index = String(d.index);
        b.addEventListener('click', () => act({ control: 'angle', index: Number(b.dataset.index) }, 'action-error'));
        return b;
      }));
    }
    dots.forEach((d, i) => {
      const b = box.children[i];
      b.dataset.index = String(d.index);
      b.textContent = d.text;
      b.title = d.tip || '';
      K.paint(b, d.colour);
    });
    if (typeof ring.slider_min === 'number') slider.min = ring.slider_min;
    if (typeof ring.slider_max === 'number') slider.max = ring.slider_max;
    if (!sliderBusy && typeof ring.slider === 'number') {
      slider.value = ring.slider;
      $('slider-value').textContent = String(ring.slider);
    }
  }

  function showProgress(p) {
    const visible = !!(p && p.visible);
    $('progress-box').classList.toggle('hidden', !visible);
    if (visible) {
      $('progress').value = Number(p.value) || 0;
      $('progress-text').textContent = p.text || '';
    }
  }

  function answer(id, words) {
    $('question-back').classList.add('hidden');
    K.post('/api/answer', { id, answer: words }).catch((e) => {
      $('action-error').textContent = `回答失败：${e.message}`;
    });
  }

  function showQuestion(q) {
    const back = $('question-back');
    if (!q) {
      questionId = null;
      back.classList.add('hidden');
      return;
    }
    if (q.id === questionId) return;
    questionId = q.id;
    $('question-title').textContent = q.title || '提示';
    $('question-text').textContent = q.text || '';
    const pairs = { ok_cancel: [['确定', 'ok'], ['取消', 'cancel']], yes_no: [['是', 'ok'], ['否', 'cancel']], ok: [['确定', 'ok']] };
    const buttons = (pairs[q.buttons] || pairs.ok).map(([words, value]) => {
      const b = K.el('button', { type: 'button', class: value === 'cancel' ? 'plain' : '' }, words);
      b.dataset.answer = value;
      if (value === (q.default || 'ok')) b.classList.add('default');
      b.addEventListener('click', () => answer(q.id, value));
      return b;
    });
    $('question-buttons').replaceChildren(...buttons);
    back.classList.remove('hidden');
    const chosen = buttons.find((b) => b.classList.contains('default'));
    if (chosen) chosen.focus();
  }

  function show(frame, first) {
    if (frame.terminal && typeof frame.terminal.append === 'string') follow(frame.terminal.append, first || frame.terminal.replace);
    if (frame.ring) showRing(frame.ring);
    showProgress(frame.progress);
    showQuestion(frame.question);
  }

  $('command-form').addEventListener('submit', async (e) => {
    e.preventDefault();
    const input = $('command');
    const command = input.value;
    if (!command.trim()) return;
    $('command-error').textContent = '';
    try {
      await K.post('/api/command', { command });
      input.value = '';
    } catch (err) {
      $('command-error').textContent = `发送失败：${err.message}`;
    }
  });
  slider.addEventListener('pointerdown', () => { sliderBusy = true; });
  slider.addEventListener('input', () => { sliderBusy = true; $('slider-value').textContent = slider.value; });
  slider.addEventListener('change', () => {
    sliderBusy = false;
    act({ control: 'Slider1', value: Number(slider.value) }, 'action-error');
  });
  $('connect').addEventListener('click', () => act({ control: 'Command1' }, 'action-error'));

  K.nav('console').then(() => K.live(show)).catch(() => {});
})();
