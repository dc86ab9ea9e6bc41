# The two commands of the README: `make run` and `make test`. Both install
# what is missing first, so they work on a fresh Debian 12 machine.

BUILD_DIR ?= build
JOBS ?= $(shell nproc)
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

PACKAGES := cmake make g++ pkg-config \
	qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libgl-dev \
	googletest libgtest-dev libgmock-dev libbenchmark-dev \
	clang libclang-rt-14-dev \
	geographiclib-tools gpsd-clients \
	fonts-noto-cjk xvfb xauth \
	dpkg-dev lintian busybox-static socat

.PHONY: setup build test run bench fuzz package clean

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

build: setup
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD_DIR) -j$(JOBS)

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS) --timeout 300

run: build
	$(BUILD_DIR)/src/korvane-station --demo

package: build
	cd $(BUILD_DIR) && cpack -G DEB

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
	rm -rf $(BUILD_DIR) build-fuzz
