"""Check that the installed dravik extension uses the CPython 3.15 export hook.

Run by .ci/py315.sh inside the python3.15 venv, from outside the source tree.
Exits non-zero with a message on the first failed check.
"""

import ctypes
import importlib.machinery
import shutil
import subprocess
import sys


def fail(msg):
    print(f"py315 check FAILED: {msg}", file=sys.stderr)
    sys.exit(1)


def main():
    if sys.version_info[:2] != (3, 15):
        fail(f"expected CPython 3.15, running {sys.version}")
    print("python:", sys.version.replace("\n", " "))

    import dravik

    path = getattr(dravik, "__file__", None) or ""
    print("dravik loaded from:", path)
    if not path.endswith(tuple(importlib.machinery.EXTENSION_SUFFIXES)):
        fail(f"dravik is not an extension module: {path!r}")
    if not isinstance(dravik.__loader__, importlib.machinery.ExtensionFileLoader):
        fail(f"unexpected loader {dravik.__loader__!r}")

    # 1. The export hook symbol is in the dynamic symbol table.
    nm = shutil.which("nm")
    if nm is None:
        fail("nm not found (binutils)")
    out = subprocess.run([nm, "-D", "--defined-only", path],
                         check=True, capture_output=True, text=True).stdout
    syms = {line.split()[-1] for line in out.splitlines() if line.strip()}
    if "PyModExport_dravik" not in syms:
        fail("symbol PyModExport_dravik is not exported by " + path)
    print("exported: PyModExport_dravik",
          "(PyInit_dravik also exported)" if "PyInit_dravik" in syms else "(no PyInit_dravik)")

    # 2. The interpreter actually built the module from the slots array: a
    #    module created from PyModExport slots has no PyModuleDef, while one
    #    created through PyInit_dravik/PyModuleDef_Init has one.
    get_def = ctypes.pythonapi.PyModule_GetDef
    get_def.restype = ctypes.c_void_p
    get_def.argtypes = [ctypes.py_object]
    if get_def(dravik) is not None:
        fail("dravik has a PyModuleDef: it was created via PyInit_dravik, "
             "not via the PyModExport_dravik slots")
    print("module created from PyModExport_dravik slots (no PyModuleDef)")

    # 3. Public surface.
    if dravik.__all__ != ["Graph", "partition"]:
        fail(f"dravik.__all__ == {dravik.__all__!r}, expected ['Graph', 'partition']")
    for name in dravik.__all__:
        if not hasattr(dravik, name):
            fail(f"dravik.{name} is missing")
    print("dravik.__all__ ==", dravik.__all__)

    print("py315 check: export hook path OK")


if __name__ == "__main__":
    main()
