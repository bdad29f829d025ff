// The Python class Graph: one immutable core graph per instance.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "graph/graph.h"

namespace dravik::py {

struct PyGraph {
    PyObject_HEAD
    Graph graph;
};

// The class object, created once per process on first need; nullptr with an
// error set if it cannot be created. Borrowed reference.
PyTypeObject* graph_type();

}  // namespace dravik::py
