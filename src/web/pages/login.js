// The login page needs no session: it only says why the last try failed.
'use strict';

(() => {
  const query = new URLSearchParams(location.search);
  const box = document.getElementById('login-error');
  let words = '';
  if (query.has('limited')) words = '尝试次数过多，请稍后再试';
  else if (query.has('failed')) words = '用户名或密码错误';
  if (words) {
    box.textContent = words;
    box.classList.remove('hidden');
  }
})();
