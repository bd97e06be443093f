"""`python -m moodvane_tools` runs the `moodvane` command."""

import sys

from .cli import main

sys.exit(main())
