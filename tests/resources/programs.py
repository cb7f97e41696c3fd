"""The command line of the resource tests: one NAME=PATH argument per built program."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import facts  # noqa: E402

TOOLS = [name for name, _ in facts.tools()]


def programs(args, names=TOOLS):
    """{name: path} for exactly the given names; exits with a usage line otherwise."""
    found = dict(arg.split("=", 1) for arg in args if "=" in arg)
    missing = [name for name in names if not os.path.isfile(found.get(name, ""))]
    if missing or set(found) != set(names) or len(found) != len(args):
        usage = " ".join(f"{name}=<exe>" for name in names)
        sys.exit(f"usage: {os.path.basename(sys.argv[0])} {usage}\n"
                 f"missing or unreadable: {', '.join(missing) or 'none'}")
    return found
