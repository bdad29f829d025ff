// A small argument binder with the module's own binding messages.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace dravik::py {

struct Signature {
    const char* full_name;     // "Graph.__new__()", "partition()", ...
    const char* const* names;  // parameter names, in order
    Py_ssize_t nparams;
    Py_ssize_t nrequired;      // the first nrequired parameters are required
};

// Vectorcall convention. On success out[i] is a borrowed reference, or
// nullptr for an optional parameter not given. On failure a TypeError is set.
bool bind(const Signature& sig, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
          PyObject** out);

// tp_new convention (argument tuple and optional keyword dict).
bool bind(const Signature& sig, PyObject* args, PyObject* kwargs, PyObject** out);

}  // namespace dravik::py
