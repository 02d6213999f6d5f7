# Quillon Recorder: set-up, build, tests and the sanitizer suite.
# `make run` and `make test` install what is missing first (as root), so both work on a fresh
# Debian 12 machine.

BUILD_DIR    ?= build
SANITIZE_DIR ?= build-sanitize
FUZZ_DIR     ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS         ?= $(shell nproc)

# Every Debian package the project needs to build, test and run: one list.
PACKAGES := \
	build-essential cmake ninja-build pkg-config python3 \
	googletest libgtest-dev libgmock-dev libbenchmark-dev \
	clang-format sox lame libmpg123-dev mpg123 \
	libasound2-dev qt6-base-dev libqt6gui6 fonts-dejavu-core \
	espeak-ng libespeak-ng-dev libgmime-3.0-dev msmtp python3-aiosmtpd \
	desktop-file-utils appstream lintian dpkg-dev

# Only `make fuzz` needs these: libFuzzer comes with clang.
FUZZ_PACKAGES := clang-14 libclang-rt-14-dev

CTEST := ctest --output-on-failure -j $(JOBS) --timeout 600

.PHONY: all deps configure build test check-sanitize fuzz run demo screenshots bench installer \
	package check-newcomer format clean

all: build

deps:
	@./scripts/install-deps $(PACKAGES)

configure: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	cd $(BUILD_DIR) && $(CTEST)

check-sanitize: deps
	cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
		-DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DQUILLON_SANITIZE=ON -DQUILLON_BENCH=OFF
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 $(CTEST)

# Builds every fuzzer with clang and runs each for FUZZ_SECONDS (`make fuzz FUZZ_SECONDS=1800`)
# on its own corpus folder, seeded from the repository's fuzz/corpus/<fuzzer>/.
fuzz: deps
	@./scripts/install-deps $(FUZZ_PACKAGES)
	CXX=clang++-14 cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DQUILLON_FUZZ=ON -DQUILLON_BENCH=OFF
	cmake --build $(FUZZ_DIR) -j $(JOBS)
	@for f in $$(cat $(FUZZ_DIR)/fuzzers.txt); do \
		mkdir -p $(FUZZ_DIR)/corpus/$$f; \
		if [ -d fuzz/corpus/$$f ]; then cp fuzz/corpus/$$f/* $(FUZZ_DIR)/corpus/$$f/; fi; \
		echo "== $$f ($(FUZZ_SECONDS) s)"; \
		$(FUZZ_DIR)/fuzz/$$f -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
			$(FUZZ_DIR)/corpus/$$f || exit 1; \
	done

# The desktop program with the simulated line and its window, to try it without a voice modem.
run: build
	$(BUILD_DIR)/src/app/quillon --simulate

# A recorded call with both announcements and the recording tone, run headless twenty times
# faster than real time; its recording stays in $(BUILD_DIR)/demo.
demo: build
	$(BUILD_DIR)/src/tool/quillon-tool simulate examples/recorded-call.scenario --speed 20 \
		--data $(BUILD_DIR)/demo

# Draws the program's windows offscreen into PNG files for review.
screenshots: build
	$(BUILD_DIR)/src/app/quillon-screenshots $(BUILD_DIR)/screenshots

# The self-installing program file $(BUILD_DIR)/quillon-setup: the program with its help pages
# and default prompts; started, it installs for the user who starts it, without root.
installer: build
	cmake --build $(BUILD_DIR) --target installer

bench: build
	@for b in $(BUILD_DIR)/bench/bench_*; do echo "== $$b"; $$b; done

# The Debian package quillon_<version>_<arch>.deb in $(BUILD_DIR), checked by lintian.
package: build
	rm -f $(BUILD_DIR)/quillon_*.deb
	cd $(BUILD_DIR) && cpack
	lintian --fail-on error $(BUILD_DIR)/quillon_*.deb

# Installs the package into a fresh Debian 12 root and runs it there, as on a new machine
# (root and network needed).
check-newcomer: package
	./scripts/check-newcomer $(BUILD_DIR)/quillon_*.deb

format:
	find src tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(FUZZ_DIR)
