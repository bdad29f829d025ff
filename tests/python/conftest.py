import os
import sys

import pytest

# Make the shared helpers in _support.py importable whatever the import mode.
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))


@pytest.fixture
def np():
    """numpy, or a clean skip where it is not installed."""
    return pytest.importorskip("numpy")
