# make run   installs what is missing, builds, and opens the demo book in the reader.
# make deb   builds the Debian package (the program, its desktop entry, icon and AppStream data).
# make test  installs what is missing (test tools too), builds, and runs every test; then builds
#            the core, the program and their tests again with the sanitizers, and runs those.
# make fuzz  builds the libFuzzer targets under the sanitizers and runs each for FUZZ_SECONDS,
#            from seed corpora made of the demo book's files.
# make soak  runs the restless-user GUI test SOAK_RUNS times on fresh random seeds, SOAK_SECONDS
#            each (make test runs it on fixed seeds only, so that it never fails by luck).
# make fidelity  compares the reader's layout of the generated cases and a sample of the books in
#            ../shared/books with headless Chromium's (FIDELITY_BOOKS, FIDELITY_LIMIT,
#            FIDELITY_ARGS=--all; QUIRELLE=path tests another build of the program).
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?= css color xhtml picture archive package settings document selectors layout
SANITIZE_CXX ?= clang++-14
PREFIX ?= /usr/local
CMAKE_FLAGS ?=

SOAK_RUNS ?= 5
SOAK_SECONDS ?= 60

.PHONY: all build run test bench fuzz soak fidelity install deb clean

all: build

build:
	scripts/install-deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)
	cmake --build $(BUILD)

run: build
	./$(BUILD)/quirelle $(BUILD)/demo.epub

test:
	scripts/install-deps --test
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)
	cmake --build $(BUILD)
	xvfb-run --auto-servernum --server-args="-screen 0 1600x1200x24" \
	  ctest --test-dir $(BUILD) --output-on-failure --timeout 600 -j2
	cmake -S . -B $(SANITIZE_BUILD) -G Ninja $(CMAKE_FLAGS) \
	  -DQUIRELLE_SANITIZE=ON -DCMAKE_CXX_COMPILER=$(SANITIZE_CXX)
	cmake --build $(SANITIZE_BUILD)
	ctest --test-dir $(SANITIZE_BUILD) --output-on-failure --timeout 600 -j2

fuzz:
	scripts/install-deps --test
	cmake -S . -B $(FUZZ_BUILD) -G Ninja $(CMAKE_FLAGS) -DQUIRELLE_SANITIZE=ON -DQUIRELLE_FUZZ=ON \
	  -DQUIRELLE_BUILD_TESTS=OFF -DQUIRELLE_BUILD_BENCHMARKS=OFF -DCMAKE_CXX_COMPILER=$(SANITIZE_CXX)
	cmake --build $(FUZZ_BUILD) --target $(addprefix fuzz-,$(FUZZ_TARGETS)) demo-book
	scripts/run-fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

# Each run prints its seed; QUIRELLE_RESTLESS_SEED=N replays a failed one. The environment is the
# one the GUI tests get under ctest.
soak:
	scripts/install-deps --test
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)
	cmake --build $(BUILD) --target quirelle-gui-tests
	for run in $$(seq $(SOAK_RUNS)); do \
	  GDK_BACKEND=x11 GSK_RENDERER=cairo GSETTINGS_BACKEND=memory \
	  XDG_DATA_HOME=$(abspath $(BUILD))/tests/app_gui/data-home \
	  QUIRELLE_RESTLESS_SEED=fresh QUIRELLE_RESTLESS_SECONDS=$(SOAK_SECONDS) \
	  xvfb-run --auto-servernum --server-args="-screen 0 1600x1200x24" \
	    $(BUILD)/quirelle-gui-tests --gtest_filter='RestlessUserTest.*' || exit 1; \
	done

bench: build
	scripts/install-deps --bench
	for program in $(BUILD)/bench/*-bench; do $$program; done

fidelity: build
	scripts/install-deps --bench
	QUIRELLE="$(or $(QUIRELLE),$(BUILD)/quirelle)" FIDELITY_BOOKS="$(FIDELITY_BOOKS)" \
	  FIDELITY_LIMIT="$(FIDELITY_LIMIT)" /usr/bin/python3 tools/fidelity/fidelity.py $(FIDELITY_ARGS)

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package, in $(BUILD): install it with `sudo apt install ./$(BUILD)/quirelle_*.deb`.
deb: build
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
