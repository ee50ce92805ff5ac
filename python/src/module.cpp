// The extension module _pairfit, which the package pairfit wraps.
#include "bindings.h"
#include "pairfit/version.h"

PYBIND11_MODULE(_pairfit, m) {
    m.doc() = "Bindings of the pairfit C++ library; use the package pairfit.";
    m.attr("MAX_ATOMS") = pairfit::max_exact_atoms;
    m.attr("__version__") = pairfit::version;
    m.attr("FAST_MAX_ATOMS") = pairfit::default_fast_atoms;
    pairfit_python::bind_errors(m);
    pairfit_python::bind_structure(m);
    pairfit_python::bind_compare(m);
    pairfit_python::bind_many(m);
}
