#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace dravik::py {

// The method definition of the module function partition(graph, nparts).
extern PyMethodDef partition_def;

}  // namespace dravik::py
