# make run   installs what is missing, builds, and opens the demo book in the reader.
# make test  installs what is missing (test tools too), builds, and runs every test; then builds
#            the core, the program and their tests again with the sanitizers, and runs those.
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
SANITIZE_CXX ?= clang++-14
PREFIX ?= /usr/local
CMAKE_FLAGS ?=

.PHONY: all build run test bench install clean

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

bench: build
	scripts/install-deps --bench
	for program in $(BUILD)/bench/*-bench; do $$program; done

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
