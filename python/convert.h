// Conversion of Python arguments to core values, and error reporting.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstdint>
#include <vector>

namespace dravik::py {

// Each returns false with a Python error set.
bool to_u64(PyObject* obj, std::uint64_t* out);
bool to_u64_vector(PyObject* obj, std::vector<std::uint64_t>* out);
bool to_i64_vector(PyObject* obj, std::vector<std::int64_t>* out);

// The "'T' object is not an instance of 'Name'" refusal (the None form for
// None), as a TypeError.
void set_not_instance(PyObject* obj, const char* expected);

// Attaches the note "while processing '<param>'" to the error being raised.
// A failure to attach it is discarded; the original error stays set.
void add_processing_note(const char* param);

// The internal-failure exception class (derived from BaseException), created
// once per process.
PyObject* internal_error_type();

// Translates the C++ exception being handled into a Python error; call only
// from inside a catch block.
void set_error_from_current_exception();

}  // namespace dravik::py
