// Structure: the C-alpha atoms of one file, with numpy views of its columns.
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include "bindings.h"

namespace pairfit_python {

read_outcome read_file(const std::string &path) {
    read_outcome out;
    pairfit::read_options options;
    options.on_warning = [&out](const std::string &message) { out.warnings.push_back(message); };
    out.structure.value =
        std::make_shared<const pairfit::structure>(pairfit::read_structure(path, options));
    return out;
}

void emit_warnings(const std::vector<std::string> &messages, int stacklevel) {
    if (messages.empty()) return;
    py::object category = py::module_::import("pairfit._errors").attr("ReaderWarning");
    for (const std::string &message : messages)
        if (PyErr_WarnEx(category.ptr(), message.c_str(), stacklevel) != 0)
            throw py::error_already_set();
}

namespace {

// One column of the atoms as a new numpy array.
template <typename T, typename Field>
py::array_t<T> column(const pairfit::structure &s, Field field) {
    py::array_t<T> out(static_cast<py::ssize_t>(s.size()));
    T *data = out.mutable_data();
    for (std::size_t i = 0; i < s.size(); ++i) data[i] = static_cast<T>(field(s.atoms[i]));
    return out;
}

template <typename Field>
py::list text_column(const pairfit::structure &s, Field field) {
    py::list out(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) out[i] = py::str(field(s.atoms[i]));
    return out;
}

py::array_t<double> coordinates(const pairfit::structure &s) {
    py::array_t<double> out({static_cast<py::ssize_t>(s.size()), py::ssize_t{3}});
    auto xyz = out.mutable_unchecked<2>();
    for (std::size_t i = 0; i < s.size(); ++i) {
        xyz(i, 0) = s.atoms[i].x;
        xyz(i, 1) = s.atoms[i].y;
        xyz(i, 2) = s.atoms[i].z;
    }
    return out;
}

const pairfit::structure &get(const py_structure &s) { return *s.value; }

}  // namespace

void bind_structure(py::module_ &m) {
    py::class_<py_structure>(m, "Structure", R"doc(
The C-alpha atoms of one PDB or mmCIF file, in file order, across all chains
and models, as pairfit reads them. Made by pairfit.read(); immutable. Each
column property returns a new array or list, one entry per atom.
)doc")
        .def("__len__", [](const py_structure &s) { return get(s).size(); })
        .def_property_readonly("source", [](const py_structure &s) { return get(s).source; },
                               "The path the structure was read from, as given.")
        .def_property_readonly(
            "coordinates", [](const py_structure &s) { return coordinates(get(s)); },
            "Coordinates in Angstrom as an (n, 3) float64 array.")
        .def_property_readonly(
            "residue_numbers",
            [](const py_structure &s) {
                return column<std::int64_t>(get(s), [](const pairfit::ca_atom &a) { return a.residue_number; });
            },
            "Residue numbers (int64 array), without insertion codes.")
        .def_property_readonly(
            "insertion_codes",
            [](const py_structure &s) {
                return text_column(get(s), [](const pairfit::ca_atom &a) {
                    return a.insertion_code == ' ' ? std::string() : std::string(1, a.insertion_code);
                });
            },
            "Insertion codes (list of str; '' where there is none).")
        .def_property_readonly(
            "residue_names",
            [](const py_structure &s) {
                return text_column(get(s), [](const pairfit::ca_atom &a) { return a.residue_name; });
            },
            "Residue names (list of str), with the alternate-location letter in front if any "
            "('APRO').")
        .def_property_readonly(
            "chain_ids",
            [](const py_structure &s) {
                return text_column(get(s), [](const pairfit::ca_atom &a) { return a.chain_id; });
            },
            "Chain identifiers (list of str): PDB column 22, mmCIF auth_asym_id.")
        .def_property_readonly(
            "models",
            [](const py_structure &s) {
                return column<std::int64_t>(get(s), [](const pairfit::ca_atom &a) { return a.model; });
            },
            "Model numbers (int64 array); 1 in a file without models.")
        .def_property_readonly(
            "serials",
            [](const py_structure &s) {
                return column<std::int64_t>(get(s), [](const pairfit::ca_atom &a) { return a.serial; });
            },
            "Atom serial numbers (int64 array).")
        .def_property_readonly(
            "atom_names",
            [](const py_structure &s) {
                return text_column(get(s), [](const pairfit::ca_atom &a) { return a.atom_name; });
            },
            "Atom names (list of str).")
        .def("__repr__", [](const py_structure &s) {
            return "<pairfit.Structure " + py::repr(py::str(get(s).source)).cast<std::string>() +
                   ": " + std::to_string(get(s).size()) + " C-alpha atoms>";
        });

    m.def(
        "_read",
        [](const std::string &path, int stacklevel) {
            read_outcome out;
            {
                py::gil_scoped_release unlocked;
                out = read_file(path);
            }
            emit_warnings(out.warnings, stacklevel);
            return out.structure;
        },
        py::arg("path"), py::arg("stacklevel"),
        "Reads a structure; its warnings go through the warnings module, attributed to the "
        "caller stacklevel frames up.");
}

}  // namespace pairfit_python
