#include "convert.h"

#include <atomic>
#include <limits>
#include <new>
#include <stdexcept>
#include <string>

#include "graph/graph.h"

namespace dravik::py {

namespace {

// Conversion of one element. Exact ints skip the index protocol's lookup;
// the interpreter's own conversion still decides range errors.
bool element_u64(PyObject* item, std::uint64_t* out) {
    if (PyLong_Check(item)) {
        const unsigned long long v = PyLong_AsUnsignedLongLong(item);
        if (v == static_cast<unsigned long long>(-1) && PyErr_Occurred()) return false;
        *out = v;
        return true;
    }
    PyObject* index = PyNumber_Index(item);
    if (index == nullptr) return false;
    const unsigned long long v = PyLong_AsUnsignedLongLong(index);
    Py_DECREF(index);
    if (v == static_cast<unsigned long long>(-1) && PyErr_Occurred()) return false;
    *out = v;
    return true;
}

bool element_i64(PyObject* item, std::int64_t* out) {
    const long long v = PyLong_AsLongLong(item);
    if (v == -1 && PyErr_Occurred()) return false;
    *out = v;
    return true;
}

template <class T, bool (*Element)(PyObject*, T*)>
bool to_vector(PyObject* obj, std::vector<T>* out) {
    if (PyUnicode_Check(obj)) {
        PyErr_SetString(PyExc_TypeError, "a str cannot be converted to a vector of integers");
        return false;
    }
    if (!PySequence_Check(obj)) {
        set_not_instance(obj, "Sequence");
        return false;
    }
    out->clear();
    const Py_ssize_t length = PyObject_Size(obj);
    if (length < 0) {
        PyErr_Clear();
    } else {
        // Only a capacity hint: a length that lies or is too large for a
        // reservation is ignored.
        try {
            out->reserve(static_cast<std::size_t>(length));
        } catch (const std::exception&) {
        }
    }
    PyObject* it = PyObject_GetIter(obj);
    if (it == nullptr) return false;
    bool ok = true;
    try {
        while (PyObject* item = PyIter_Next(it)) {
            T value;
            const bool converted = Element(item, &value);
            Py_DECREF(item);
            if (!converted) {
                ok = false;
                break;
            }
            out->push_back(value);
        }
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
        ok = false;
    } catch (const std::length_error&) {
        PyErr_NoMemory();
        ok = false;
    }
    Py_DECREF(it);
    if (ok && PyErr_Occurred()) ok = false;  // the iterator itself failed
    if (!ok) {
        out->clear();
        out->shrink_to_fit();
    }
    return ok;
}

}  // namespace

bool to_u64(PyObject* obj, std::uint64_t* out) { return element_u64(obj, out); }

bool to_u64_vector(PyObject* obj, std::vector<std::uint64_t>* out) {
    return to_vector<std::uint64_t, element_u64>(obj, out);
}

bool to_i64_vector(PyObject* obj, std::vector<std::int64_t>* out) {
    return to_vector<std::int64_t, element_i64>(obj, out);
}

void set_not_instance(PyObject* obj, const char* expected) {
    if (obj == Py_None) {
        PyErr_Format(PyExc_TypeError, "'None' is not an instance of '%s'", expected);
        return;
    }
    PyObject* qualname = PyType_GetQualName(Py_TYPE(obj));
    if (qualname == nullptr) return;
    PyErr_Format(PyExc_TypeError, "'%U' object is not an instance of '%s'", qualname, expected);
    Py_DECREF(qualname);
}

void add_processing_note(const char* param) {
#if PY_VERSION_HEX >= 0x030C0000
    PyObject* exc = PyErr_GetRaisedException();
    if (exc == nullptr) return;
    PyObject* result = PyObject_CallMethod(exc, "add_note", "s", ("while processing '" + std::string(param) + "'").c_str());
    if (result == nullptr) PyErr_Clear();
    Py_XDECREF(result);
    PyErr_SetRaisedException(exc);
#else
    PyObject *type, *value, *tb;
    PyErr_Fetch(&type, &value, &tb);
    if (type == nullptr) return;
    PyErr_NormalizeException(&type, &value, &tb);
    if (tb != nullptr && value != nullptr) PyException_SetTraceback(value, tb);
    if (value != nullptr) {
        PyObject* result =
            PyObject_CallMethod(value, "add_note", "s", ("while processing '" + std::string(param) + "'").c_str());
        if (result == nullptr) PyErr_Clear();
        Py_XDECREF(result);
    }
    PyErr_Restore(type, value, tb);
#endif
}

PyObject* internal_error_type() {
    // Created once per process; several threads may race here, so the first
    // published object wins and the others are dropped. Never freed: the
    // class outlives every module object that refers to it.
    static std::atomic<PyObject*> cached{nullptr};
    PyObject* type = cached.load(std::memory_order_acquire);
    if (type != nullptr) return type;
    PyObject* made = PyErr_NewExceptionWithDoc(
        "dravik.InternalError",
        "Raised when the partitioning core meets an inconsistent graph or a weight sum outside the signed "
        "64-bit range.",
        PyExc_BaseException, nullptr);
    if (made == nullptr) return nullptr;
    PyObject* expected = nullptr;
    if (!cached.compare_exchange_strong(expected, made, std::memory_order_acq_rel)) {
        Py_DECREF(made);
        return expected;
    }
    return made;
}

void set_error_from_current_exception() {
    try {
        throw;
    } catch (const InternalFailure& e) {
        PyObject* type = internal_error_type();
        if (type != nullptr) PyErr_SetString(type, e.what());
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (const std::length_error&) {
        PyErr_NoMemory();
    } catch (const std::exception& e) {
        PyObject* type = internal_error_type();
        if (type != nullptr) PyErr_SetString(type, e.what());
    }
}

}  // namespace dravik::py
