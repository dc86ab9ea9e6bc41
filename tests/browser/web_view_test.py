#!/usr/bin/env python3
"""The web view in a real browser against a demo station.

web_view_test.py STATION [SOURCE_DIR]: starts STATION --demo --headless with
the web view on a free loopback port, two accounts (operator anna, viewer
vera), and drives headless Chromium through the pages. With
KORVANE_SCREENSHOTS_DIR set it writes the README's screenshots there.
"""
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import urllib.error
import urllib.request

SKIP = 77  # SKIP_RETURN_CODE in tests/CMakeLists.txt
CHROMIUM = shutil.which('chromium') or shutil.which('chromium-browser')
DRIVER = shutil.which('chromedriver')
if not CHROMIUM or not DRIVER:
    print('chromium or chromium-driver not installed: skipped')
    sys.exit(SKIP)

from selenium import webdriver  # noqa: E402
from selenium.webdriver.chrome.service import Service  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.common.keys import Keys  # noqa: E402
from selenium.webdriver.support.ui import WebDriverWait  # noqa: E402

STATION = sys.argv[1]
PASSWORDS = {'anna': 'Mast-7391-anna', 'vera': 'Deck-2718-vera'}


def free_port():
    with socket.socket() as s:
        s.bind(('127.0.0.1', 0))
        return s.getsockname()[1]


def until(what, condition, timeout, driver=None, poll=0.2):
    """Waits for condition() with a bound; a timeout fails the test saying what."""
    return WebDriverWait(driver, timeout, poll_frequency=poll).until(lambda _: condition(), message=what)


def http_status(url, cookie=None):
    request = urllib.request.Request(url)
    if cookie:
        request.add_header('Cookie', f'korvane_session={cookie}')
    try:
        with urllib.request.urlopen(request, timeout=5) as reply:
            return reply.status
    except urllib.error.HTTPError as e:
        return e.code
    except OSError:
        return None


def children_running(parent, role):
    """Pids of the korvane-sim peers the station started in the given role."""
    pids = []
    for entry in os.listdir('/proc'):
        if not entry.isdigit():
            continue
        try:
            with open(f'/proc/{entry}/stat') as f:
                ppid = int(f.read().rsplit(')', 1)[1].split()[1])
            with open(f'/proc/{entry}/cmdline', 'rb') as f:
                argv = f.read().split(b'\0')
        except OSError:
            continue
        if ppid == parent and len(argv) > 1 and argv[1] == role.encode():
            pids.append(int(entry))
    return pids


class Station:
    def __init__(self, folder):
        self.folder = folder
        self.settings = os.path.join(folder, 'station.ini')
        for user, role in (('anna', 'operator'), ('vera', 'viewer')):
            subprocess.run([STATION, '--settings', self.settings, '--web-user', user, '--role', role],
                           input=PASSWORDS[user] + '\n', text=True, check=True, timeout=30)
        self.port = free_port()
        self.base = f'http://127.0.0.1:{self.port}'
        self.log = open(os.path.join(folder, 'station.log'), 'w+')
        env = dict(os.environ, QT_QPA_PLATFORM='offscreen', TMPDIR=folder)
        self.process = subprocess.Popen(
            [STATION, '--demo', '--headless', '--settings', self.settings,
             '--web', f'127.0.0.1:{self.port}', '--time-scale', '0.2'],
            stdin=subprocess.PIPE, stdout=self.log, stderr=subprocess.STDOUT, env=env)
        until('the web view answers', lambda: http_status(self.base + '/login') == 200, 60)
        self.demo_folder = until('the demo names its folder', lambda: self.logged(r'settings and logs in (\S+)'), 30)
        self.stopped = []

    def logged(self, pattern):
        self.log.flush()
        with open(self.log.name) as f:
            m = re.search(pattern, f.read())
        return m and m.group(1)

    def board_received(self):
        try:
            with open(os.path.join(self.demo_folder, 'board-received.bin'), 'rb') as f:
                return f.read()
        except OSError:
            return b''

    def freeze_radio(self):
        pids = children_running(self.process.pid, 'radio')
        assert pids, 'the demo radio is not running'
        for pid in pids:
            os.kill(pid, signal.SIGSTOP)
        self.stopped += pids

    def thaw_radio(self):
        for pid in self.stopped:
            os.kill(pid, signal.SIGCONT)
        self.stopped = []

    def stop(self):
        for pid in self.stopped:
            try:
                os.kill(pid, signal.SIGCONT)
            except ProcessLookupError:
                pass
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(20)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


def browser():
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for arg in ('--headless=new', '--no-sandbox', '--disable-dev-shm-usage', '--window-size=1280,900', '--lang=zh-CN'):
        options.add_argument(arg)
    return webdriver.Chrome(service=Service(DRIVER), options=options)


def shoot(driver, name, width, height, mobile=False):
    folder = os.environ.get('KORVANE_SCREENSHOTS_DIR')
    if not folder:
        return
    driver.execute_cdp_cmd('Emulation.setDeviceMetricsOverride',
                           {'width': width, 'height': height, 'deviceScaleFactor': 1, 'mobile': mobile})
    # A frame drawn at the new size before the picture is taken.
    driver.execute_async_script('requestAnimationFrame(() => requestAnimationFrame(arguments[0]))')
    driver.save_screenshot(os.path.join(folder, name))
    driver.execute_cdp_cmd('Emulation.clearDeviceMetricsOverride', {})


def log_in(driver, base, user, password):
    driver.get(base + '/login')
    driver.find_element(By.ID, 'user').send_keys(user)
    driver.find_element(By.ID, 'password').send_keys(password)
    driver.find_element(By.ID, 'login-submit').click()
    until(f'{user} reaches the status page', lambda: driver.find_elements(By.ID, 'nav-user'), 20, driver)


def signal_figure(driver):
    """(text, stale) of the signal figure, or None while it is not shown."""
    return driver.execute_script("""
        const f = document.getElementById('fig-signal_dbm');
        return f && [f.querySelector('.value').textContent, f.dataset.stale === '1'];""")


def history_drawn(driver):
    """Clicks the 10分钟 span again until a chart has a row with a figure, ink on its canvas and the
    frozen radio's outage among the link bands."""
    drawn = driver.execute_script("""
        const charts = window.korvaneCharts || [];
        const rows = charts.some((g) => {
          for (let r = 0; r < g.numRows(); r++)
            for (let c = 1; c < g.numColumns(); c++) if (g.getValue(r, c) !== null) return true;
          return false;
        });
        const inked = [...document.querySelectorAll('#charts canvas')].some((c) => {
          const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
          for (let i = 3; i < d.length; i += 4) if (d[i] !== 0) return true;
          return false;
        });
        const history = window.korvaneHistory || {};
        const radioDown = ((history.links || {}).radio || []).some((r) => r.state === 'down');
        return rows && inked && radioDown;""")
    if not drawn:
        driver.find_element(By.CSS_SELECTOR, '#spans button').click()
    return drawn


def recorded_s(driver):
    return driver.execute_script("""
        const h = window.korvaneHistory, g = (window.korvaneCharts || [])[0];
        return h && g ? (h.to - g.getValue(0, 0)) / 1000 : 0;""")


def main():
    folder = tempfile.mkdtemp(prefix='korvane-web-')
    station = Station(folder)
    driver = browser()
    base = station.base
    try:
        driver.get(base + '/login?failed=1')
        assert driver.find_element(By.ID, 'login-error').text == '用户名或密码错误'
        driver.find_element(By.ID, 'user').send_keys('anna')
        driver.find_element(By.ID, 'password').send_keys('wrong')
        driver.find_element(By.ID, 'login-submit').click()
        until('a wrong password is refused', lambda: 'failed=1' in driver.current_url, 10, driver)

        log_in(driver, base, 'anna', PASSWORDS['anna'])
        until('the live feed is up', lambda: 'offline' not in driver.find_element(By.TAG_NAME, 'body').get_attribute('class'), 20, driver)
        first = until('a live signal figure', lambda: (s := signal_figure(driver)) and not s[1] and re.search(r'\d', s[0]) and s, 60, driver)
        # The demo radio's reading wobbles by a dB or so at every poll.
        until('the signal figure follows the radio', lambda: (s := signal_figure(driver)) and s[0] != first[0], 60, driver)
        assert driver.find_elements(By.ID, 'nav-console'), 'an operator has the console link'
        shoot(driver, 'web-status.png', 1280, 900)
        shoot(driver, 'web-status-phone.png', 390, 844, mobile=True)

        driver.get(base + '/console')
        terminal = driver.find_element(By.ID, 'terminal')
        until('the terminal has the station text', lambda: terminal.text.strip(), 20, driver)
        before = len(driver.execute_script('return arguments[0].textContent', terminal))
        box = driver.find_element(By.ID, 'command')
        box.send_keys('INIT', Keys.ENTER)

        # With the web view the station leaves INIT's confirmation open for it.
        ok = until('INIT asks first', lambda: driver.find_elements(
            By.CSS_SELECTOR, '#question-back:not(.hidden) button[data-answer=ok]'), 20, driver)
        assert driver.find_element(By.ID, 'question-text').text
        ok[0].click()
        until('the question closes', lambda: not driver.find_element(By.ID, 'question-back').is_displayed(), 10, driver)
        until('the board receives cl0', lambda: b'cl0' in station.board_received(), 60, driver)
        until('the terminal follows', lambda: len(driver.execute_script('return arguments[0].textContent', terminal)) > before, 20, driver)
        shoot(driver, 'web-console.png', 1280, 900)

        driver.get(base + '/')
        until('a live signal figure again', lambda: (s := signal_figure(driver)) and not s[1], 30, driver)
        station.freeze_radio()
        # The page redraws the figure on each frame: its mark and its words
        # are read in one step, never through an element found earlier.
        until('the signal figure turns stale and says so', lambda: driver.execute_script("""
            const f = document.getElementById('fig-signal_dbm');
            return f && f.dataset.stale === '1' && f.textContent.includes('过时');"""), 60, driver)
        station.thaw_radio()
        until('the signal figure is live again', lambda: (s := signal_figure(driver)) and not s[1], 60, driver)

        driver.get(base + '/history')
        until('the history charts show the demo and the radio down', lambda: history_drawn(driver), 90, driver, poll=2)
        if os.environ.get('KORVANE_SCREENSHOTS_DIR'):
            # A picture worth having needs a minute or so of recording.
            until('a minute of history', lambda: history_drawn(driver) and recorded_s(driver) >= 60, 120, driver, poll=5)
        shoot(driver, 'web-history.png', 1280, 900)

        cookie = driver.get_cookie('korvane_session')['value']
        assert http_status(base + '/api/status', cookie) == 200
        driver.find_element(By.ID, 'logout').click()
        until('log-out goes back to the login page', lambda: driver.current_url.endswith('/login'), 20, driver)
        assert http_status(base + '/api/status', cookie) == 401, 'the session ended with the log-out'

        log_in(driver, base, 'vera', PASSWORDS['vera'])
        assert not driver.find_elements(By.ID, 'nav-console'), 'a viewer has no console link'
        viewer = driver.get_cookie('korvane_session')['value']
        assert http_status(base + '/console', viewer) == 403
        until('the viewer sees the live feed', lambda: 'offline' not in driver.find_element(By.TAG_NAME, 'body').get_attribute('class'), 20, driver)
        station.stop()
        until('the page says it is not live', lambda: driver.find_element(By.ID, 'offline-banner').is_displayed(), 20, driver)
        assert '连接断开' in driver.find_element(By.ID, 'offline-banner').text
    except Exception:
        print(open(os.path.join(folder, 'station.log')).read()[-4000:], file=sys.stderr)
        raise
    finally:
        driver.quit()
        station.stop()
    shutil.rmtree(folder, ignore_errors=True)
    print('web view: all checks passed')


if __name__ == '__main__':
    main()
