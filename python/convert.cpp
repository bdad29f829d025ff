#include "convert.h"

#include <atomic>
#include <bit>
#include <cstring>
#include <type_traits>
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

// Buffers are read directly only for types whose iteration is known to yield
// exactly the buffer's elements, so that both roads give the same values and
// errors; a Python-level __iter__, __getitem__ or __buffer__ anywhere in the
// class hierarchy sends the object down the iterator road.
bool buffer_matches_iteration(PyTypeObject* type) {
    static const char* const kTrusted[] = {"numpy.ndarray", "array.array", "memoryview", "bytes", "bytearray"};
    bool known = false;
    PyObject* mro = type->tp_mro;
    if (mro == nullptr || !PyTuple_Check(mro)) return false;
    for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(mro) && !known; ++i) {
        const char* name = reinterpret_cast<PyTypeObject*>(PyTuple_GET_ITEM(mro, i))->tp_name;
        for (const char* t : kTrusted) known = known || std::strcmp(name, t) == 0;
    }
    if (!known) return false;
    for (const char* attr : {"__iter__", "__getitem__", "__buffer__"}) {
        PyObject* found = PyObject_GetAttrString(reinterpret_cast<PyObject*>(type), attr);
        if (found == nullptr) {
            PyErr_Clear();
            continue;
        }
        const bool python_level = PyFunction_Check(found);
        Py_DECREF(found);
        if (python_level) return false;
    }
    return true;
}

struct Item {
    bool negative;      // value is -magnitude (signed formats only)
    std::uint64_t bits;  // the value, two's complement for negative ones
};

// One element of an integer buffer, any size and byte order.
inline Item read_element(const unsigned char* p, Py_ssize_t size, bool is_signed, bool swap) {
    unsigned char bytes[8] = {0};
    for (Py_ssize_t i = 0; i < size; ++i) bytes[i] = p[swap ? size - 1 - i : i];
    std::uint64_t raw = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&raw, bytes, 8);
    } else {
        for (Py_ssize_t i = 0; i < size; ++i) raw |= std::uint64_t(bytes[i]) << (8 * i);
    }
    if (is_signed && size < 8 && (raw >> (8 * size - 1)) & 1) raw |= ~std::uint64_t(0) << (8 * size);
    return {is_signed && static_cast<std::int64_t>(raw) < 0, raw};
}

// The integer format of a 1-dimensional buffer: element size and signedness,
// and whether its bytes are in the opposite of native order. False for
// anything else (the iterator road then decides).
bool integer_format(const Py_buffer& view, Py_ssize_t* size, bool* is_signed, bool* swap) {
    if (view.ndim != 1 || view.shape == nullptr) return false;
    const char* f = view.format != nullptr ? view.format : "B";
    char order = '@';
    if (*f == '@' || *f == '=' || *f == '<' || *f == '>' || *f == '!') order = *f++;
    if (f[0] == '\0' || f[1] != '\0') return false;
    const char code = f[0];
    const bool native_sizes = order == '@';
    Py_ssize_t expected = 0;
    switch (code) {
        case 'b': case 'B': expected = 1; break;
        case 'h': case 'H': expected = 2; break;
        case 'i': case 'I': expected = 4; break;
        case 'l': case 'L': expected = native_sizes ? static_cast<Py_ssize_t>(sizeof(long)) : 4; break;
        case 'q': case 'Q': expected = 8; break;
        case 'n': case 'N':
            if (!native_sizes) return false;
            expected = static_cast<Py_ssize_t>(sizeof(Py_ssize_t));
            break;
        default: return false;
    }
    if (view.itemsize != expected || expected > 8) return false;
    *size = expected;
    *is_signed = code == 'b' || code == 'h' || code == 'i' || code == 'l' || code == 'q' || code == 'n';
    const bool big = order == '>' || order == '!';
    const bool little = order == '<';
    *swap = expected > 1 && ((big && std::endian::native == std::endian::little) ||
                             (little && std::endian::native == std::endian::big));
    return true;
}

// Reports an element the target type cannot hold exactly as the element
// road would: by converting the same value as a Python int.
template <class T, bool (*Convert)(PyObject*, T*)>
void raise_for(const Item& e) {
    PyObject* value = e.negative ? PyLong_FromLongLong(static_cast<long long>(e.bits))
                                 : PyLong_FromUnsignedLongLong(e.bits);
    if (value == nullptr) return;
    T ignored;
    if (Convert(value, &ignored)) {
        PyErr_SetString(PyExc_OverflowError, "value out of range");
    }
    Py_DECREF(value);
}

// 1: converted; 0: not a buffer this road takes; -1: error set.
template <class T, bool (*Convert)(PyObject*, T*)>
int from_buffer(PyObject* obj, std::vector<T>* out) {
    if (!PyObject_CheckBuffer(obj) || !buffer_matches_iteration(Py_TYPE(obj))) return 0;
    Py_buffer view;
    if (PyObject_GetBuffer(obj, &view, PyBUF_RECORDS_RO) < 0) {
        PyErr_Clear();
        return 0;
    }
    Py_ssize_t size = 0;
    bool is_signed = false, swap = false;
    if (!integer_format(view, &size, &is_signed, &swap)) {
        PyBuffer_Release(&view);
        return 0;
    }
    const Py_ssize_t count = view.shape[0];
    const Py_ssize_t stride = view.strides != nullptr ? view.strides[0] : size;
    int rc = 1;
    try {
        const unsigned char* base = static_cast<const unsigned char*>(view.buf);
        if (size == 8 && !swap && stride == 8 && reinterpret_cast<std::uintptr_t>(base) % alignof(T) == 0) {
            // The common case, 64-bit native, aligned and contiguous: one
            // copy into fresh storage, then the range in one sweep.
            const T* first = reinterpret_cast<const T*>(base);
            out->assign(first, first + count);
            bool in_range = true;
            for (const T v : *out) {
                if constexpr (std::is_same_v<T, std::uint64_t>) {
                    in_range &= !is_signed || static_cast<std::int64_t>(v) >= 0;
                } else {
                    in_range &= is_signed || v >= 0;
                }
            }
            if (in_range) {
                PyBuffer_Release(&view);
                return 1;
            }
        }
        out->resize(static_cast<std::size_t>(count));
        for (Py_ssize_t i = 0; i < count; ++i) {
            const Item e = read_element(base + i * stride, size, is_signed, swap);
            if constexpr (std::is_same_v<T, std::uint64_t>) {
                if (e.negative) {
                    raise_for<T, Convert>(e);
                    rc = -1;
                    break;
                }
                (*out)[static_cast<std::size_t>(i)] = e.bits;
            } else {
                if (!e.negative && e.bits > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
                    raise_for<T, Convert>(e);
                    rc = -1;
                    break;
                }
                (*out)[static_cast<std::size_t>(i)] = static_cast<std::int64_t>(e.bits);
            }
        }
    } catch (const std::exception&) {
        PyErr_NoMemory();
        rc = -1;
    }
    PyBuffer_Release(&view);
    if (rc < 0) {
        out->clear();
        out->shrink_to_fit();
    }
    return rc;
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
    if (const int rc = from_buffer<T, Element>(obj, out); rc != 0) return rc > 0;
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
