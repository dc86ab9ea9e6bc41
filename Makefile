# The two commands of the README: `make run` and `make test`. Both install
# what is missing first, so they work on a fresh Debian 12 machine.

BUILD_DIR ?= build
JOBS ?= $(shell nproc)
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

PACKAGES := cmake make g++ pkg-config \
	qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qcoro-qt6-dev libqt6sql6-sqlite libgl-dev qt6-translations-l10n \
	libsqlite3-dev zlib1g-dev \
	qt6-httpserver-dev qt6-websockets-dev libjs-dygraphs openssl \
	chromium chromium-driver python3-selenium \
	googletest libgtest-dev libgmock-dev libbenchmark-dev \
	clang libclang-rt-14-dev \
	geographiclib-tools gpsd-clients \
	fonts-noto-cjk xvfb xauth \
	dpkg-dev lintian busybox-static socat putty-tools openssh-server

.PHONY: setup build test test-sanitize run bench fuzz package package-check screenshots clean

setup:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -q && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $$missing; \
	fi

# ccache, when present, makes rebuilds in fresh folders cheap; CI has none.
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

build: setup
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER)
	cmake --build $(BUILD_DIR) -j$(JOBS)

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS) --timeout 300
	$(MAKE) test-sanitize

# The same suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
# Programs the tests start (simulators, the station) are instrumented too and
# write their reports to files, so a report from any process fails the run.
SAN_DIR ?= build-asan
SAN_LOGS = $(abspath $(SAN_DIR))/sanitizer-reports
test-sanitize: setup
	cmake -S . -B $(SAN_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_SANITIZE=ON -DKORVANE_BUILD_BENCH=OFF $(LAUNCHER)
	cmake --build $(SAN_DIR) -j$(JOBS)
	rm -rf $(SAN_LOGS) && mkdir -p $(SAN_LOGS)
	cd $(SAN_DIR) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=log_path=$(SAN_LOGS)/asan:detect_leaks=1:abort_on_error=0 \
	  LSAN_OPTIONS=suppressions=$(abspath tests/support/lsan.supp):print_suppressions=0 \
	  UBSAN_OPTIONS=log_path=$(SAN_LOGS)/ubsan:print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j$(JOBS) --timeout 600
	@if [ -n "$$(ls -A $(SAN_LOGS))" ]; then \
	  echo "Sanitizer reports:"; cat $(SAN_LOGS)/*; exit 1; \
	else echo "No sanitizer reports."; fi

run: build
	$(BUILD_DIR)/src/korvane-station --demo

package: build
	cd $(BUILD_DIR) && cpack -G DEB

# The README's pictures: the screenshot tests grab the window offscreen.
screenshots: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest -R '^gui\.(History|HistoryYear)?Screenshot\.' --output-on-failure
	mkdir -p docs && cd $(BUILD_DIR)/screenshots && cp main-window.png status.png main-window-stale.png main-window-maximised.png autoscan.png history.png history-week.png $(CURDIR)/docs/
	cd $(BUILD_DIR) && KORVANE_SCREENSHOTS_DIR=$(CURDIR)/docs ctest -R '^browser\.WebView$$' --output-on-failure

# The newest .deb checked as an operator gets it: lintian, then installed into
# a fresh Debian 12 root made by debootstrap. Needs root and a few minutes, so
# it is not part of `make test`.
PKG_ROOT ?= $(abspath $(BUILD_DIR))/fresh-root
package-check: package
	$(MAKE) setup PACKAGES="debootstrap desktop-file-utils lintian"
	deb=$$(ls -t $(BUILD_DIR)/korvane-station_*.deb | head -n 1) && \
	lintian --fail-on error --tag-display-limit 0 "$$deb" && \
	packaging/check-fresh-root.sh $(PKG_ROOT) "$$deb"

BENCHES := $(basename $(notdir $(wildcard bench/*.cpp)))
bench: build
	for b in $(BENCHES); do $(BUILD_DIR)/bench/$$b || exit 1; done

# Runs every fuzz target for FUZZ_SECONDS each (clang, libFuzzer, ASan, UBSan);
# new inputs go to build-fuzz/corpus, the seeds stay in fuzz/corpus.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := $(basename $(notdir $(wildcard fuzz/fuzz_*.cpp)))
fuzz: setup
	cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DKORVANE_LIBFUZZER=ON -DKORVANE_BUILD_BENCH=OFF
	cmake --build build-fuzz -j$(JOBS) --target $(FUZZ_TARGETS)
	for t in $(FUZZ_TARGETS); do \
	  mkdir -p build-fuzz/corpus/$$t && \
	  build-fuzz/fuzz/$$t -max_total_time=$(FUZZ_SECONDS) -max_len=4096 build-fuzz/corpus/$$t fuzz/corpus/$$t || exit 1; \
	done

clean:
	rm -rf $(BUILD_DIR) build-fuzz $(SAN_DIR)
