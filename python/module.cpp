// Module entry points of the extension `dravik`.
//
// Declared capabilities: the module keeps no state of its own and never relies
// on the interpreter lock (instances are immutable and every call works on
// data of its own), so it declares that it runs without the GIL. It does not
// support sub-interpreters: the Graph class and the internal-failure class are
// created once per process and shared, which is only sound within a single
// interpreter.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "convert.h"
#include "partition_function.h"
#include "pygraph.h"

namespace dravik::py {

namespace {

// Appends `name` to the module's __all__ (created empty if missing), then
// sets the attribute.
int add_exported(PyObject* module, const char* name, PyObject* value) {
    PyObject* all = PyObject_GetAttrString(module, "__all__");
    if (all == nullptr) {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) return -1;
        PyErr_Clear();
        all = PyList_New(0);
        if (all == nullptr) return -1;
        if (PyObject_SetAttrString(module, "__all__", all) < 0) {
            Py_DECREF(all);
            return -1;
        }
    }
    PyObject* appended = PyObject_CallMethod(all, "append", "s", name);
    Py_DECREF(all);
    if (appended == nullptr) return -1;
    Py_DECREF(appended);
    return PyObject_SetAttrString(module, name, value);
}

int exec_module(PyObject* module) {
    if (!PyModule_Check(module)) {
        set_not_instance(module, "module");
        return -1;
    }
    PyTypeObject* type = graph_type();
    if (type == nullptr) return -1;
    if (add_exported(module, "Graph", reinterpret_cast<PyObject*>(type)) < 0) return -1;
    PyObject* module_name = PyModule_GetNameObject(module);
    if (module_name == nullptr) return -1;
    PyObject* function = PyCFunction_NewEx(&partition_def, module, module_name);
    Py_DECREF(module_name);
    if (function == nullptr) return -1;
    PyObject* fname = PyObject_GetAttrString(function, "__name__");
    if (fname == nullptr) {
        Py_DECREF(function);
        return -1;
    }
    const char* fname_text = PyUnicode_AsUTF8(fname);
    const int rc = fname_text == nullptr ? -1 : add_exported(module, fname_text, function);
    Py_DECREF(fname);
    Py_DECREF(function);
    return rc;
}

PyModuleDef_Slot module_slots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(exec_module)},
#if PY_VERSION_HEX >= 0x030C0000
    {Py_mod_multiple_interpreters, Py_MOD_MULTIPLE_INTERPRETERS_NOT_SUPPORTED},
#endif
#if PY_VERSION_HEX >= 0x030D0000
    {Py_mod_gil, Py_MOD_GIL_NOT_USED},
#endif
    {0, nullptr},
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT, "dravik", "", 0, nullptr, module_slots, nullptr, nullptr, nullptr,
};

#if PY_VERSION_HEX >= 0x030F0000
PyABIInfo_VAR(abi_info);

// The same description as module_def, as the slot list of the export hook.
PySlot export_slots[] = {
    PySlot_PTR_STATIC(Py_mod_abi, &abi_info),
    PySlot_PTR_STATIC(Py_mod_name, const_cast<char*>("dravik")),
    PySlot_PTR_STATIC(Py_mod_doc, const_cast<char*>("")),
    PySlot_PTR(Py_mod_exec, reinterpret_cast<void*>(exec_module)),
    PySlot_PTR(Py_mod_multiple_interpreters, Py_MOD_MULTIPLE_INTERPRETERS_NOT_SUPPORTED),
    PySlot_PTR(Py_mod_gil, Py_MOD_GIL_NOT_USED),
    PySlot_END,
};
#endif

}  // namespace

}  // namespace dravik::py

PyMODINIT_FUNC PyInit_dravik(void) { return PyModuleDef_Init(&dravik::py::module_def); }

#if PY_VERSION_HEX >= 0x030F0000
PyMODEXPORT_FUNC PyModExport_dravik(void) { return dravik::py::export_slots; }
#endif
