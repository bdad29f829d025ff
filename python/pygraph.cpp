#include "pygraph.h"

#include <atomic>
#include <new>
#include <string>
#include <utility>

#include "binder.h"
#include "convert.h"

namespace dravik::py {

namespace {

constexpr const char* kNewParams[] = {"n", "xadj", "adjncy", "adjwgt", "vwgt"};
constexpr Signature kNewSignature = {"Graph.__new__()", kNewParams, 5, 3};
constexpr const char* kEdgeCutParams[] = {"part"};
constexpr Signature kEdgeCutSignature = {"Graph.edge_cut()", kEdgeCutParams, 1, 1};

bool check_lengths(u64 n, const std::vector<u64>& xadj, const std::vector<u64>& adjncy,
                   const std::vector<i64>* adjwgt, const std::vector<i64>* vwgt) {
    if (n == ~u64(0) || xadj.size() != n + 1) {
        PyErr_Format(PyExc_ValueError, "xadj must have length n + 1 (%s), got %zu", n_plus_one_text(n).c_str(),
                     xadj.size());
        return false;
    }
    if (adjwgt != nullptr && adjwgt->size() != adjncy.size()) {
        PyErr_Format(PyExc_ValueError, "adjwgt must have the same length as adjncy (%zu), got %zu", adjncy.size(),
                     adjwgt->size());
        return false;
    }
    if (vwgt != nullptr && vwgt->size() != n) {
        PyErr_Format(PyExc_ValueError, "vwgt must have length n (%llu), got %zu", static_cast<unsigned long long>(n),
                     vwgt->size());
        return false;
    }
    return true;
}

PyObject* graph_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
    PyObject* arg[5];
    if (!bind(kNewSignature, args, kwargs, arg)) return nullptr;
    try {
        u64 n = 0;
        std::vector<u64> xadj, adjncy;
        std::vector<i64> adjwgt, vwgt;
        const bool has_adjwgt = arg[3] != nullptr && arg[3] != Py_None;
        const bool has_vwgt = arg[4] != nullptr && arg[4] != Py_None;
        if (!to_u64(arg[0], &n)) return add_processing_note("n"), nullptr;
        if (!to_u64_vector(arg[1], &xadj)) return add_processing_note("xadj"), nullptr;
        if (!to_u64_vector(arg[2], &adjncy)) return add_processing_note("adjncy"), nullptr;
        if (has_adjwgt && !to_i64_vector(arg[3], &adjwgt)) return add_processing_note("adjwgt"), nullptr;
        if (has_vwgt && !to_i64_vector(arg[4], &vwgt)) return add_processing_note("vwgt"), nullptr;
        if (!check_lengths(n, xadj, adjncy, has_adjwgt ? &adjwgt : nullptr, has_vwgt ? &vwgt : nullptr)) {
            return nullptr;
        }
        Graph g = new_graph(n, std::move(xadj), std::move(adjncy));
        if (has_adjwgt) g = with_adjwgt(std::move(g), std::move(adjwgt));
        if (has_vwgt) g = with_vwgt(std::move(g), std::move(vwgt));
        PyObject* self = type->tp_alloc(type, 0);
        if (self == nullptr) return nullptr;
        new (&reinterpret_cast<PyGraph*>(self)->graph) Graph(std::move(g));
        return self;
    } catch (...) {
        set_error_from_current_exception();
        return nullptr;
    }
}

void graph_dealloc(PyObject* self) {
    PyTypeObject* type = Py_TYPE(self);
    reinterpret_cast<PyGraph*>(self)->graph.~Graph();
    type->tp_free(self);
    Py_DECREF(type);
}

PyObject* graph_repr(PyObject* self) {
    const Graph& g = reinterpret_cast<PyGraph*>(self)->graph;
    return PyUnicode_FromFormat("Graph(n=%llu, edges=%zu)", static_cast<unsigned long long>(g.n), g.adjncy.size());
}

PyObject* graph_get_n(PyObject* self, void*) {
    return PyLong_FromUnsignedLongLong(reinterpret_cast<PyGraph*>(self)->graph.n);
}

PyObject* graph_edge_cut(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    PyObject* arg[1];
    if (!bind(kEdgeCutSignature, args, PyVectorcall_NARGS(nargs), kwnames, arg)) return nullptr;
    try {
        std::vector<u64> part;
        if (!to_u64_vector(arg[0], &part)) return add_processing_note("part"), nullptr;
        const i64 cut = edge_cut(reinterpret_cast<PyGraph*>(self)->graph, part);
        return PyLong_FromLongLong(cut);
    } catch (...) {
        set_error_from_current_exception();
        return nullptr;
    }
}

PyMethodDef graph_methods[] = {
    {"edge_cut", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)(void)>(graph_edge_cut)),
     METH_FASTCALL | METH_KEYWORDS,
     "edge_cut($self, part)\n--\n\nTotal weight of edges crossing the given partition assignment."},
    {nullptr, nullptr, 0, nullptr},
};

PyGetSetDef graph_getset[] = {
    {"n", graph_get_n, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot graph_slots[] = {
    {Py_tp_new, reinterpret_cast<void*>(graph_new)},
    {Py_tp_dealloc, reinterpret_cast<void*>(graph_dealloc)},
    {Py_tp_repr, reinterpret_cast<void*>(graph_repr)},
    {Py_tp_doc, const_cast<char*>("Graph(n, xadj, adjncy, adjwgt=None, vwgt=None)\n--\n\n"
                                  "A graph in Compressed Sparse Row (CSR) format, ready for partitioning.")},
    {Py_tp_methods, graph_methods},
    {Py_tp_getset, graph_getset},
    {0, nullptr},
};

// No Py_TPFLAGS_BASETYPE: the class cannot be subclassed. Instances hold no
// Python references, so they are not tracked by the cyclic collector.
PyType_Spec graph_spec = {"dravik.Graph", sizeof(PyGraph), 0, Py_TPFLAGS_DEFAULT, graph_slots};

}  // namespace

PyTypeObject* graph_type() {
    // One class per process, published by compare-and-swap so that threads
    // importing at once agree on a single object without blocking each
    // other; a losing thread drops the class it made (no instance exists).
    static std::atomic<PyObject*> cached{nullptr};
    PyObject* type = cached.load(std::memory_order_acquire);
    if (type != nullptr) return reinterpret_cast<PyTypeObject*>(type);
    PyObject* made = PyType_FromSpec(&graph_spec);
    if (made == nullptr) return nullptr;
    PyObject* expected = nullptr;
    if (!cached.compare_exchange_strong(expected, made, std::memory_order_acq_rel)) {
        Py_DECREF(made);
        return reinterpret_cast<PyTypeObject*>(expected);
    }
    return reinterpret_cast<PyTypeObject*>(made);
}

}  // namespace dravik::py
