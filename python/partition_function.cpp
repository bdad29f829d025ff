#include "partition_function.h"

#include "binder.h"
#include "convert.h"
#include "dravik.h"
#include "pygraph.h"

namespace dravik::py {

namespace {

constexpr const char* kParams[] = {"graph", "nparts"};
constexpr Signature kSignature = {"partition()", kParams, 2, 2};

PyObject* to_list(const std::vector<u64>& part) {
    PyObject* list = PyList_New(static_cast<Py_ssize_t>(part.size()));
    if (list == nullptr) return nullptr;
    for (std::size_t i = 0; i < part.size(); ++i) {
        PyObject* item = PyLong_FromUnsignedLongLong(part[i]);
        if (item == nullptr) {
            Py_DECREF(list);
            return nullptr;
        }
        PyList_SET_ITEM(list, static_cast<Py_ssize_t>(i), item);
    }
    return list;
}

PyObject* partition_impl(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* arg[2];
    if (!bind(kSignature, args, PyVectorcall_NARGS(nargs), kwnames, arg)) return nullptr;
    PyTypeObject* type = graph_type();
    if (type == nullptr) return nullptr;
    if (!PyObject_TypeCheck(arg[0], type)) {
        set_not_instance(arg[0], "Graph");
        add_processing_note("graph");
        return nullptr;
    }
    u64 nparts = 0;
    if (!to_u64(arg[1], &nparts)) return add_processing_note("nparts"), nullptr;
    try {
        const auto [cut, part] = partition(reinterpret_cast<PyGraph*>(arg[0])->graph, nparts);
        PyObject* list = to_list(part);
        if (list == nullptr) return nullptr;
        PyObject* py_cut = PyLong_FromLongLong(cut);
        if (py_cut == nullptr) {
            Py_DECREF(list);
            return nullptr;
        }
        PyObject* result = PyTuple_New(2);
        if (result == nullptr) {
            Py_DECREF(py_cut);
            Py_DECREF(list);
            return nullptr;
        }
        PyTuple_SET_ITEM(result, 0, py_cut);
        PyTuple_SET_ITEM(result, 1, list);
        return result;
    } catch (...) {
        set_error_from_current_exception();
        return nullptr;
    }
}

}  // namespace

PyMethodDef partition_def = {
    "partition", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)(void)>(partition_impl)),
    METH_FASTCALL | METH_KEYWORDS,
    "partition(graph, nparts)\n--\n\npartition(graph, nparts) -> (edge_cut, part)\n\nPartitions `graph` into "
    "`nparts` parts. `part[u]` is the 0-based part\nID assigned to vertex `u`."};

}  // namespace dravik::py
