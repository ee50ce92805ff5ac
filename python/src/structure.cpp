// Structure: the C-alpha atoms of one file, with numpy views of its columns.
#include <climits>
#include <cmath>
#include <optional>

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include "bindings.h"

namespace pairfit_python {

read_outcome read_file(const std::string &name, const std::string &selection, std::size_t max_atoms) {
    read_outcome out;
    pairfit::read_options options;
    options.selection = selection;
    options.max_atoms = max_atoms;
    options.on_warning = [&out](const std::string &message) { out.warnings.push_back(message); };
    out.structure.value =
        std::make_shared<const pairfit::structure>(pairfit::read_named_structure(name, options));
    return out;
}

void emit_warnings(const std::vector<std::string> &messages, int stacklevel, const char *category_name) {
    if (messages.empty()) return;
    py::object category = py::module_::import("pairfit._errors").attr(category_name);
    for (const std::string &message : messages)
        if (PyErr_WarnEx(category.ptr(), message.c_str(), stacklevel) != 0) throw py::error_already_set();
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

const pairfit::structure &get(const py_structure &s) {
    return *s.value;
}

// Per-atom text given by Python (None: every atom gets fallback).
std::vector<std::string> text_or_default(const std::optional<std::vector<std::string>> &given, std::size_t n,
                                         const char *name, const std::string &fallback) {
    if (!given) return std::vector<std::string>(n, fallback);
    if (given->size() != n)
        throw py::value_error(std::string(name) + ": " + std::to_string(given->size()) + " values for " +
                              std::to_string(n) + " atoms");
    return *given;
}

// Whole numbers within the int range, one an atom (None: fallback, or 1, 2,
// ... with count_up). Fractions, NaN, numbers beyond the int range and
// anything that is no number are refused, never converted.
std::vector<int> ints_or_default(const py::object &given, std::size_t n, const char *name, int fallback,
                                 bool count_up) {
    std::vector<int> out(n, fallback);
    if (given.is_none()) {
        if (count_up)
            for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<int>(i) + 1;
        return out;
    }
    const std::string what = std::string(name) + ": whole numbers from " + std::to_string(INT_MIN) + " to " +
                             std::to_string(INT_MAX) + ", one an atom (" + std::to_string(n) + ")";
    py::array values;
    try {
        values = py::array::ensure(given);
    } catch (const py::error_already_set &) {
    }
    if (!values || values.ndim() != 1 || static_cast<std::size_t>(values.shape(0)) != n)
        throw py::value_error(what);
    const char kind = values.dtype().kind();
    if (kind != 'i' && kind != 'u' && kind != 'f') throw py::value_error(what);
    // Every value goes through a double, which holds each int exactly and
    // shows fractions, NaN and numbers out of range for what they are.
    auto as_double = py::array_t<double, py::array::forcecast>::ensure(values);
    for (std::size_t i = 0; i < n; ++i) {
        const double v = as_double.at(static_cast<py::ssize_t>(i));
        if (!(v >= INT_MIN && v <= INT_MAX) || std::floor(v) != v) throw py::value_error(what);
        out[i] = static_cast<int>(v);
    }
    return out;
}

// A structure from columns, as Structure(...) and unpickling build it.
py_structure from_columns(py::array_t<double, py::array::c_style | py::array::forcecast> coordinates,
                          const py::object &residue_numbers,
                          const std::optional<std::vector<std::string>> &residue_names,
                          const std::optional<std::vector<std::string>> &chain_ids,
                          const std::optional<std::vector<std::string>> &insertion_codes,
                          const py::object &models, const py::object &serials,
                          const std::optional<std::vector<std::string>> &atom_names,
                          const std::string &source, const std::string &selection) {
    if (coordinates.ndim() != 2 || coordinates.shape(1) != 3)
        throw py::value_error("coordinates: an (n, 3) array");
    const std::size_t n = static_cast<std::size_t>(coordinates.shape(0));
    if (residue_numbers.is_none()) throw py::value_error("residue_numbers: required");
    auto numbers = ints_or_default(residue_numbers, n, "residue_numbers", 0, false);
    auto model = ints_or_default(models, n, "models", 1, false);
    auto serial = ints_or_default(serials, n, "serials", 0, true);
    auto resname = text_or_default(residue_names, n, "residue_names", "UNK");
    auto chain = text_or_default(chain_ids, n, "chain_ids", "");
    auto icode = text_or_default(insertion_codes, n, "insertion_codes", "");
    auto name = text_or_default(atom_names, n, "atom_names", "CA");
    auto xyz = coordinates.unchecked<2>();
    pairfit::structure out;
    out.source = source;
    out.selection = selection;
    out.atoms.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (icode[i].size() > 1) throw py::value_error("insertion_codes: one character or ''");
        pairfit::ca_atom &a = out.atoms[i];
        a.x = xyz(i, 0);
        a.y = xyz(i, 1);
        a.z = xyz(i, 2);
        a.serial = serial[i];
        a.atom_name = name[i];
        a.residue_name = resname[i];
        a.residue_number = numbers[i];
        a.insertion_code = icode[i].empty() ? ' ' : icode[i][0];
        a.chain_id = chain[i];
        a.model = model[i];
    }
    return py_structure{std::make_shared<const pairfit::structure>(std::move(out))};
}

// The atoms at the given indices, in that order, under the given selection
// text.
py_structure take(const py_structure &s, const std::vector<py::ssize_t> &indices,
                  const std::string &selection) {
    pairfit::structure out;
    out.source = get(s).source;
    out.selection = selection;
    out.atoms.reserve(indices.size());
    for (py::ssize_t i : indices) {
        if (i < 0 || static_cast<std::size_t>(i) >= get(s).size())
            throw py::index_error("atom index out of range");
        out.atoms.push_back(get(s).atoms[i]);
    }
    return py_structure{std::make_shared<const pairfit::structure>(std::move(out))};
}

}  // namespace

void bind_structure(py::module_ &m) {
    py::class_<py_structure>(m, "Structure", R"doc(
The C-alpha atoms of one PDB or mmCIF file, in file order, across all chains
and models, as pairfit reads them. Made by pairfit.read(), or from columns;
immutable. Each column property returns a new array or list, one entry per
atom. s[mask], s[indices] and s[start:stop] give the structure of those
atoms (numpy indexing), named by what was taken: whole chains or models by
their selection (FILE@//A, FILE@/2), other atoms by their positions
(FILE@[10:50]). Structures pickle.
)doc")
        .def(py::init(&from_columns), py::arg("coordinates"), py::kw_only(),
             py::arg("residue_numbers") = py::none(), py::arg("residue_names") = py::none(),
             py::arg("chain_ids") = py::none(), py::arg("insertion_codes") = py::none(),
             py::arg("models") = py::none(), py::arg("serials") = py::none(),
             py::arg("atom_names") = py::none(), py::arg("source") = "", py::arg("selection") = "",
             R"doc(
A structure from columns, one entry an atom (from another reader, or a
selection of one). coordinates: (n, 3), Angstrom; residue_numbers: required
(they pair the atoms). Defaults: residue_names "UNK", chain_ids and
insertion_codes "", models 1, serials 1 to n, atom_names "CA", source and
selection "".
)doc")
        .def("_take", &take, py::arg("indices"), py::arg("selection"),
             "The structure of the atoms at indices, in order, its selection named so.")
        .def("__len__", [](const py_structure &s) { return get(s).size(); })
        .def_property_readonly(
            "source", [](const py_structure &s) { return get(s).source; },
            "The path the structure was read from, as given.")
        .def_property_readonly(
            "selection", [](const py_structure &s) { return get(s).selection; },
            "The selection of models and chains read ('' for none).")
        .def_property_readonly(
            "name", [](const py_structure &s) { return pairfit::display_name(get(s)); },
            "The structure named as the programs name it: FILE, or FILE@SELECTION.")
        .def_property_readonly(
            "coordinates", [](const py_structure &s) { return coordinates(get(s)); },
            "Coordinates in Angstrom as an (n, 3) float64 array.")
        .def_property_readonly(
            "residue_numbers",
            [](const py_structure &s) {
                return column<std::int64_t>(get(s),
                                            [](const pairfit::ca_atom &a) { return a.residue_number; });
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
            return "<pairfit.Structure " +
                   py::repr(py::str(pairfit::display_name(get(s)))).cast<std::string>() + ": " +
                   std::to_string(get(s).size()) + " C-alpha atoms>";
        });

    m.def(
        "_read",
        [](const std::string &path, const std::string &selection, std::optional<std::size_t> max_atoms,
           int stacklevel) {
            read_outcome out;
            {
                py::gil_scoped_release unlocked;
                out = read_file(path, selection, max_atoms ? *max_atoms : static_cast<std::size_t>(-1));
            }
            emit_warnings(out.warnings, stacklevel);
            return out.structure;
        },
        py::arg("path"), py::arg("selection"), py::arg("max_atoms"), py::arg("stacklevel"),
        "Reads a structure of at most max_atoms C-alpha atoms (None: any number); its warnings "
        "go through the warnings module, attributed to the caller stacklevel frames up.");
}

}  // namespace pairfit_python
