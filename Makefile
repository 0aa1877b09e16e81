# Quick start:  make run   (build and start QV in a ready program folder)
#               make test  (build and run every test)
#               make check (build and run the unit tests: under a minute, installs nothing)
BUILD   ?= build
PROGDIR ?= $(BUILD)/program
JOBS    ?= $(shell nproc)
SANBUILD ?= build-sanitizers

.PHONY: all deps configure build run test check check-sanitizers program deb bench screenshots format format-check clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The unit tests alone (CTest label `unit`: no mail, calendar or keyring
# server, no X server, no package installs). Installs nothing: a machine
# without the build packages fails at configure; `make deps` installs them.
check: $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -L '^unit$$' --timeout 120

# The whole suite built with AddressSanitizer and UndefinedBehaviorSanitizer in
# a build folder of its own. Leak reports are off: Qt's plugins keep memory to the end.
# faketime preloads itself ahead of the sanitizer runtime in the end-to-end test: let it.
check-sanitizers: deps
	cmake -S . -B $(SANBUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORB_SANITIZE=ON
	cmake --build $(SANBUILD) -j $(JOBS)
	cd $(SANBUILD) && ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:strict_string_checks=1:verify_asan_link_order=0 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	    ctest --output-on-failure -j $(JOBS) --timeout 1200

program: build
	@scripts/make-program-folder.sh $(BUILD) $(PROGDIR)

run: program
	cd $(PROGDIR) && ./QV

# The desktop tests install their window manager and notification service
# themselves; installed here first, so that two of them never run apt at once.
test: build
	@scripts/install-deps.sh --screenshots
	@scripts/install-deps.sh --notifications
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600

# The Debian package: $(BUILD)/orbalinder_<version>_<arch>.deb, built for /usr
# (Debian's hardening flags come with every build tree); its time stamps are
# the last commit's, so a second build of the same commit gives the same bytes.
deb: configure
	cmake -S . -B $(BUILD) -DCMAKE_INSTALL_PREFIX=/usr
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && SOURCE_DATE_EPOCH=$$(git log -1 --format=%ct) cpack -G DEB

bench: build
	@scripts/install-deps.sh --bench
	@scripts/run-benchmarks.sh $(BUILD)

screenshots: program
	@scripts/install-deps.sh --screenshots
	@scripts/screenshots.sh $(BUILD) docs/screenshots

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

# The C++ files changed since the commit named in .clang-format-base must be as
# `make format` leaves them (nothing is checked while that file is missing).
format-check:
	@scripts/format-check.sh

clean:
	rm -rf $(BUILD)
