#include "binder.h"

#include <string>

namespace dravik::py {

namespace {

bool too_many(const Signature& sig, Py_ssize_t given) {
    const char* verb = given == 1 ? "was" : "were";
    if (sig.nrequired == sig.nparams) {
        PyErr_Format(PyExc_TypeError, "%s takes %zd positional arguments but %zd %s given", sig.full_name,
                     sig.nparams, given, verb);
    } else {
        PyErr_Format(PyExc_TypeError, "%s takes from %zd to %zd positional arguments but %zd %s given",
                     sig.full_name, sig.nrequired, sig.nparams, given, verb);
    }
    return false;
}

// Places one keyword argument; false with the error set when it names no
// parameter or one already filled.
bool place_keyword(const Signature& sig, PyObject* key, PyObject* value, PyObject** out) {
    for (Py_ssize_t i = 0; i < sig.nparams; ++i) {
        if (PyUnicode_Check(key) && PyUnicode_CompareWithASCIIString(key, sig.names[i]) == 0) {
            if (out[i] != nullptr) {
                PyErr_Format(PyExc_TypeError, "%s got multiple values for argument '%s'", sig.full_name,
                             sig.names[i]);
                return false;
            }
            out[i] = value;
            return true;
        }
    }
    PyErr_Format(PyExc_TypeError, "%s got an unexpected keyword argument '%S'", sig.full_name, key);
    return false;
}

bool check_missing(const Signature& sig, PyObject** out) {
    Py_ssize_t missing = 0;
    for (Py_ssize_t i = 0; i < sig.nrequired; ++i) missing += out[i] == nullptr;
    if (missing == 0) return true;
    // 'a' / 'a' and 'b' / 'a', 'b', and 'c'
    std::string names;
    Py_ssize_t listed = 0;
    for (Py_ssize_t i = 0; i < sig.nrequired; ++i) {
        if (out[i] != nullptr) continue;
        if (listed > 0) {
            if (missing == 2) {
                names += " and ";
            } else {
                names += listed == missing - 1 ? ", and " : ", ";
            }
        }
        names += '\'';
        names += sig.names[i];
        names += '\'';
        ++listed;
    }
    PyErr_Format(PyExc_TypeError, "%s missing %zd required positional %s: %s", sig.full_name, missing,
                 missing == 1 ? "argument" : "arguments", names.c_str());
    return false;
}

}  // namespace

bool bind(const Signature& sig, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames,
          PyObject** out) {
    for (Py_ssize_t i = 0; i < sig.nparams; ++i) out[i] = nullptr;
    if (nargs > sig.nparams) return too_many(sig, nargs);
    for (Py_ssize_t i = 0; i < nargs; ++i) out[i] = args[i];
    if (kwnames != nullptr) {
        const Py_ssize_t nkw = PyTuple_GET_SIZE(kwnames);
        for (Py_ssize_t j = 0; j < nkw; ++j) {
            if (!place_keyword(sig, PyTuple_GET_ITEM(kwnames, j), args[nargs + j], out)) return false;
        }
    }
    return check_missing(sig, out);
}

bool bind(const Signature& sig, PyObject* args, PyObject* kwargs, PyObject** out) {
    for (Py_ssize_t i = 0; i < sig.nparams; ++i) out[i] = nullptr;
    const Py_ssize_t nargs = PyTuple_GET_SIZE(args);
    if (nargs > sig.nparams) return too_many(sig, nargs);
    for (Py_ssize_t i = 0; i < nargs; ++i) out[i] = PyTuple_GET_ITEM(args, i);
    if (kwargs != nullptr) {
        Py_ssize_t pos = 0;
        PyObject* key;
        PyObject* value;
        // The dict is the call's own, fresh for this call: iterating it
        // cannot race with another thread.
        while (PyDict_Next(kwargs, &pos, &key, &value)) {
            if (!place_keyword(sig, key, value, out)) return false;
        }
    }
    return check_missing(sig, out);
}

}  // namespace dravik::py
