// Shared by every signed-in page: the session, posts with the CSRF token,
// the live feed and the nav bar. Nothing from the network goes through
// innerHTML: the station's texts come from a board, a radio and AIS.
'use strict';

const Korvane = (() => {
  let session = null;

  function el(tag, props, text) {
    const node = document.createElement(tag);
    if (props) {
      for (const [k, v] of Object.entries(props)) {
        if (k === 'class') node.className = v;
        else if (k === 'dataset') Object.assign(node.dataset, v);
        else if (k in node && typeof v !== 'string') node[k] = v;
        else node.setAttribute(k, v);
      }
    }
    if (text !== undefined && text !== null) node.textContent = String(text);
    return node;
  }

  function toLogin() {
    window.location.href = '/login';
  }

  async function getJson(url) {
    const reply = await fetch(url, { credentials: 'same-origin', headers: { Accept: 'application/json' } });
    if (reply.status === 401) {
      toLogin();
      throw new Error('未登录');
    }
    if (!reply.ok) throw new Error(`HTTP ${reply.status}`);
    return reply.json();
  }

  async function loadSession() {
    if (!session) session = await getJson('/api/session');
    return session;
  }

  // Every POST carries the token; the reply's error words, if any, come back
  // in the thrown Error for the page to show.
  async function post(url, body) {
    const s = await loadSession();
    const reply = await fetch(url, {
      method: 'POST',
      credentials: 'same-origin',
      headers: { 'Content-Type': 'application/json', 'X-CSRF-Token': s.csrf },
      body: JSON.stringify(body || {}),
    });
    if (reply.status === 401) {
      toLogin();
      throw new Error('未登录');
    }
    let answer = {};
    try { answer = await reply.json(); } catch (e) { /* an empty or HTML reply */ }
    if (!reply.ok) {
      if (reply.status === 403) throw new Error('无权执行此操作');
      throw new Error(answer.error || `HTTP ${reply.status}`);
    }
    return answer;
  }

  async function logout() {
    const s = await loadSession();
    try {
      await fetch('/logout', { method: 'POST', credentials: 'same-origin', headers: { 'X-CSRF-Token': s.csrf } });
    } finally {
      session = null;
      toLogin();
    }
  }

  // The nav bar: 控制台 only for operators, who can act on the station.
  async function nav(active) {
    const bar = document.getElementById('nav');
    const s = await loadSession();
    bar.replaceChildren();
    bar.append(el('span', { class: 'brand' }, '天线监控'));
    const pages = [['status', '/', '状态'], ['history', '/history', '历史'], ['events', '/events', '事件']];
    if (s.role === 'operator') pages.push(['console', '/console', '控制台']);
    for (const [id, href, words] of pages) {
      bar.append(el('a', { href, id: `nav-${id}`, class: id === active ? 'active' : '' }, words));
    }
    bar.append(el('span', { class: 'spacer' }));
    bar.append(el('span', { class: 'user', id: 'nav-user' }, `${s.user}（${s.role === 'operator' ? '操作员' : '观察员'}）`));
    const out = el('button', { type: 'button', id: 'logout' }, '退出');
    out.addEventListener('click', () => logout());
    bar.append(out);
    return s;
  }

  // "3 秒前" and friends; null is an age nobody knows.
  function age(seconds) {
    if (seconds === null || seconds === undefined || !isFinite(seconds)) return '—';
    const s = Math.max(0, Math.round(seconds));
    if (s < 60) return `${s} 秒前`;
    if (s < 3600) return `${Math.floor(s / 60)} 分钟前`;
    if (s < 86400) return `${Math.floor(s / 3600)} 小时前`;
    return `${Math.floor(s / 86400)} 天前`;
  }

  function staleMark(seconds) {
    if (seconds === null || seconds === undefined || !isFinite(seconds)) return '（过时）';
    const s = Math.max(0, Math.round(seconds));
    if (s < 60) return `（过时 ${s} 秒）`;
    if (s < 3600) return `（过时 ${Math.floor(s / 60)} 分钟）`;
    return `（过时 ${Math.floor(s / 3600)} 小时）`;
  }

  // A lamp's or ring dot's colour: a word the sheet knows, or "#rrggbb" from
  // the station's own palette; anything else stays grey.
  const COLOUR_WORDS = ['green', 'red', 'yellow', 'grey', 'black'];
  function paint(node, colour) {
    node.style.backgroundColor = '';
    for (const word of COLOUR_WORDS) node.classList.remove(word);
    if (COLOUR_WORDS.includes(colour)) node.classList.add(colour);
    else if (/^#[0-9a-f]{6}$/i.test(colour || '')) node.style.backgroundColor = colour;
    else node.classList.add('grey');
  }

  function two(n) { return String(n).padStart(2, '0'); }
  function time(ms) {
    const d = new Date(ms);
    return `${d.getFullYear()}-${two(d.getMonth() + 1)}-${two(d.getDate())} ${two(d.getHours())}:${two(d.getMinutes())}:${two(d.getSeconds())}`;
  }

  // The live frames: WebSocket /api/live, reconnecting after a drop. The
  // server sends at least one frame a second, so a silent socket counts as
  // down too. ?poll=1 (or a browser without WebSocket) polls /api/live.json.
  // onFrame(frame, first): first is the first frame of a connection, which
  // carries the whole terminal rather than what was added.
  function live(onFrame, onState) {
    const banner = document.getElementById('offline-banner');
    let isLive = null;
    function setLive(up) {
      if (up === isLive) return;
      isLive = up;
      document.body.classList.toggle('offline', !up);
      if (banner) banner.textContent = '连接断开：以下数据不是实时的，正在重新连接…';
      if (onState) onState(up);
    }
    setLive(false);

    const polling = new URLSearchParams(location.search).has('poll') || typeof WebSocket === 'undefined';
    if (polling) {
      let first = true;
      const poll = async () => {
        try {
          const frame = await getJson('/api/live.json');
          onFrame(frame, first);
          first = false;
          setLive(true);
        } catch (e) {
          first = true;
          setLive(false);
        }
        setTimeout(poll, 1000);
      };
      poll();
      return;
    }

    let retry = 1000;
    let watchdog = null;
    function connect() {
      const scheme = location.protocol === 'https:' ? 'wss:' : 'ws:';
      const socket = new WebSocket(`${scheme}//${location.host}/api/live`);
      let first = true;
      const quiet = () => {
        clearTimeout(watchdog);
        watchdog = setTimeout(() => { setLive(false); socket.close(); }, 3500);
      };
      socket.onopen = quiet;
      socket.onmessage = (event) => {
        let frame;
        try { frame = JSON.parse(event.data); } catch (e) { return; }
        quiet();
        retry = 1000;
        onFrame(frame, first);
        first = false;
        setLive(true);
      };
      socket.onclose = () => {
        clearTimeout(watchdog);
        setLive(false);
        // A session that ended shows as a refused upgrade: go and find out.
        fetch('/api/session', { credentials: 'same-origin' }).then((r) => {
          if (r.status === 401) toLogin();
        }).catch(() => {});
        setTimeout(connect, retry);
        retry = Math.min(retry * 2, 8000);
      };
      socket.onerror = () => socket.close();
    }
    connect();
  }

  return { el, getJson, post, nav, loadSession, live, age, staleMark, time, logout, paint };
})();
