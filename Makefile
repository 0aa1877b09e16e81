# Quick start:  make run   (build and start QV in a ready program folder)
#               make test  (build and run every test)
BUILD   ?= build
PROGDIR ?= $(BUILD)/program
JOBS    ?= $(shell nproc)

.PHONY: all deps configure build run test program deb bench screenshots format clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

program: build
	@scripts/make-program-folder.sh $(BUILD) $(PROGDIR)

run: program
	cd $(PROGDIR) && ./QV

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600

# The Debian package: $(BUILD)/orbalinder_<version>_<arch>.deb
deb: build
	cd $(BUILD) && cpack -G DEB

bench: build
	@scripts/run-benchmarks.sh $(BUILD)

screenshots: program
	@scripts/install-deps.sh --screenshots
	@scripts/screenshots.sh $(BUILD) docs/screenshots

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD)
