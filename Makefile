# Quillon Recorder: set-up, build, tests and the sanitizer suite.
# `make run` and `make test` install what is missing first (as root), so both work on a fresh
# Debian 12 machine.

BUILD_DIR    ?= build
SANITIZE_DIR ?= build-sanitize
JOBS         ?= $(shell nproc)

# Every Debian package the project needs to build, test and run: one list.
PACKAGES := \
	build-essential cmake ninja-build pkg-config \
	googletest libgtest-dev libgmock-dev libbenchmark-dev \
	clang-format

CTEST := ctest --output-on-failure -j $(JOBS) --timeout 600

.PHONY: all deps configure build test check-sanitize run bench format clean

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

# Until the desktop window lands, running the program shows where it keeps its files.
run: build
	$(BUILD_DIR)/src/tool/quillon-tool paths

bench: build
	@for b in $(BUILD_DIR)/bench/bench_*; do echo "== $$b"; $$b; done

format:
	find src tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR)
