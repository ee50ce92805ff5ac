// Library errors become the exceptions of pairfit._errors, with the
// messages the command-line programs print.
#include "bindings.h"

namespace pairfit_python {

namespace {

const char *read_error_class(pairfit::read_failure kind) {
    switch (kind) {
    case pairfit::read_failure::cannot_open:
        return "CannotOpenError";
    case pairfit::read_failure::too_many_atoms:
        return "TooManyAtomsError";
    case pairfit::read_failure::bad_selection:
        return "BadSelectionError";
    case pairfit::read_failure::nothing_selected:
        return "NothingSelectedError";
    case pairfit::read_failure::unreadable:
    case pairfit::read_failure::out_of_memory:
        break;
    }
    return "UnreadableFileError";
}

void raise_read_error(const pairfit::read_error &e) {
    py::module_ errors = py::module_::import("pairfit._errors");
    py::object type = errors.attr(read_error_class(e.kind()));
    py::object exception = type(e.what());
    exception.attr("path") = e.path();
    PyErr_SetObject(type.ptr(), exception.ptr());
}

}  // namespace

void bind_errors(py::module_ &) {
    py::register_exception_translator([](std::exception_ptr thrown) {
        try {
            if (thrown) std::rethrow_exception(thrown);
        } catch (const pairfit::read_error &e) {
            // Running out of memory is Python's MemoryError, with the file named.
            if (e.kind() == pairfit::read_failure::out_of_memory)
                PyErr_SetString(PyExc_MemoryError, e.what());
            else
                raise_read_error(e);
        } catch (const pairfit::error &e) {
            py::object type = py::module_::import("pairfit._errors").attr("Error");
            PyErr_SetString(type.ptr(), e.what());
        }
    });
}

}  // namespace pairfit_python
