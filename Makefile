# The two commands of this project. Both install what they need on Debian 12 (as root).
.PHONY: demo test fuzz bench

demo:
	bash scripts/demo.sh

test:
	bash scripts/test.sh
