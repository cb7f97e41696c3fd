# Shortcuts once make is installed; the README's commands are the scripts themselves.
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
