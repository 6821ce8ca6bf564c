# make run   installs what is missing, builds, and opens the demo book in the reader.
# make test  installs what is missing (test tools too), builds, and runs every test.
BUILD ?= build
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

bench: build
	for program in $(BUILD)/bench/*-bench; do $$program; done

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD)
