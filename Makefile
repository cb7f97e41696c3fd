# The two commands of this project. Both install what they need on Debian 12 (as root).
.PHONY: demo test fuzz bench

demo:
	bash scripts/demo.sh

test:
	bash scripts/test.sh

# Each fuzz target for FUZZ_SECONDS (default 180) from its seeds; figures to docs/.
fuzz:
	bash scripts/fuzz.sh

# Footprint and start-up against the floor program; writes docs/performance.md.
bench:
	bash scripts/bench.sh
