// Result and the single comparison: pairing, options, the progress
// callback, and the superposition that the result carries.
#include <pybind11/functional.h>
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include "bindings.h"
#include "score/method_rules.h"

namespace pairfit_python {

pairfit::pairing make_pairing(const pairing_choice &choice, const pairfit::structure &first,
                              const pairfit::structure &second) {
    switch (choice.kind) {
    case pairing_choice::explicit_pairs:
        return choice.pairs;
    case pairing_choice::by_sequence:
        return pairfit::pair_by_sequence(first, second);
    case pairing_choice::by_structure:
        return pairfit::pair_by_structure(first, second);
    case pairing_choice::by_alignment:
        return pairfit::pair_by_alignment(first, second, choice.alignment);
    case pairing_choice::by_number:
        break;
    }
    return pairfit::pair_by_residue_number(first, second);
}

// How the document names a pairing made from Python.
std::string pairing_choice_name(pairing_choice::kind_t kind) {
    switch (kind) {
    case pairing_choice::by_sequence:
        return pairfit::pairing_method_name(pairfit::pairing_method::sequence);
    case pairing_choice::by_structure:
        return pairfit::pairing_method_name(pairfit::pairing_method::structure);
    case pairing_choice::by_alignment:
        return pairfit::pairing_method_name(pairfit::pairing_method::alignment);
    case pairing_choice::explicit_pairs:
        return "explicit";
    case pairing_choice::by_number:
        break;
    }
    return pairfit::pairing_method_name(pairfit::pairing_method::residue_number);
}

py_result compare_structures(pairfit::workspace &ws, const py_structure &first, const py_structure &second,
                             const pairing_choice &pairing, const pairfit::compare_options &options) {
    py_result out;
    out.first = first.value;
    out.second = second.value;
    if (pairing.map_chains &&
        (pairfit::chain_names(*first.value).size() > 1 || pairfit::chain_names(*second.value).size() > 1)) {
        const pairfit::pairing_method method =
            pairing.kind == pairing_choice::by_sequence    ? pairfit::pairing_method::sequence
            : pairing.kind == pairing_choice::by_structure ? pairfit::pairing_method::structure
                                                           : pairfit::pairing_method::residue_number;
        pairfit::complex_pairing assembly = pairfit::pair_complexes(*first.value, *second.value, method);
        out.second = std::make_shared<const pairfit::structure>(std::move(assembly.second));
        out.pairs = std::move(assembly.pairs);
        out.chain_map = std::move(assembly.chain_map);
    } else {
        out.pairs = make_pairing(pairing, *first.value, *second.value);
    }
    out.pairing_method = pairing_choice_name(pairing.kind);
    // Structural and given alignments pair unlike residues by design.
    const bool by_names =
        pairing.kind != pairing_choice::by_structure && pairing.kind != pairing_choice::by_alignment;
    for (const std::string &w :
         {pairfit::several_models_warning(*first.value), pairfit::several_models_warning(*second.value),
          by_names ? pairfit::residue_name_warning(*out.first, *out.second, out.pairs) : ""})
        if (!w.empty()) out.pairing_warnings.push_back(w);
    for (const std::string &w :
         {pairfit::merged_chains_warning(*first.value), pairfit::merged_chains_warning(*second.value)})
        if (!w.empty()) out.merged_chains.push_back(w);
    pairfit::compare(ws, *out.first, *out.second, out.pairs, options, out.value);
    return out;
}

namespace {

// Passes every growth step to a Python callable, on the comparing thread,
// holding the GIL only for the call. An exception in the callable stops the
// comparison and reaches the caller.
class progress_observer : public pairfit::search_observer {
public:
    explicit progress_observer(py::function callback) : callback_(std::move(callback)) {}
    void step_scored(const pairfit::growth_step &step) override { report("step", step); }
    void new_best(const pairfit::growth_step &step) override { report("best", step); }

private:
    void report(const char *kind, const pairfit::growth_step &step) {
        double fraction = static_cast<double>(step.size) / static_cast<double>(step.npairs);
        py::gil_scoped_acquire locked;
        callback_(kind, step.size, fraction, step.rms, step.score, step.pvalue);
    }
    py::function callback_;
};

template <typename T, typename Source>
py::array_t<T> to_array(const Source &values) {
    py::array_t<T> out(static_cast<py::ssize_t>(values.size()));
    T *data = out.mutable_data();
    for (std::size_t i = 0; i < values.size(); ++i) data[i] = static_cast<T>(values[i]);
    return out;
}

// Residue numbers of the atoms that a pairing list names.
py::array_t<std::int64_t> residue_numbers(const pairfit::structure &s, const std::vector<int> &atoms) {
    py::array_t<std::int64_t> out(static_cast<py::ssize_t>(atoms.size()));
    std::int64_t *data = out.mutable_data();
    for (std::size_t k = 0; k < atoms.size(); ++k) data[k] = s.atoms[atoms[k]].residue_number;
    return out;
}

py::array_t<double> rotation(const py_result &r) {
    py::array_t<double> out({3, 3});
    auto m = out.mutable_unchecked<2>();
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m(i, j) = r.value.transform.rotation[i][j];
    return out;
}

// Points (an (n, 3) array or one point of 3) moved by the result's
// transform, computed by the library's own arithmetic.
py::array_t<double> moved(const py_result &r, py::object points) {
    if (points.is_none()) {
        const auto &atoms = r.second->atoms;
        py::array_t<double> out({static_cast<py::ssize_t>(atoms.size()), py::ssize_t{3}});
        auto xyz = out.mutable_unchecked<2>();
        for (std::size_t i = 0; i < atoms.size(); ++i) {
            std::array<double, 3> p = r.value.transform.apply({atoms[i].x, atoms[i].y, atoms[i].z});
            for (int c = 0; c < 3; ++c) xyz(i, c) = p[c];
        }
        return out;
    }
    auto in = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(points);
    if (!in || in.ndim() < 1 || in.ndim() > 2 || in.shape(in.ndim() - 1) != 3)
        throw py::value_error("coordinates must be an (n, 3) array or one point of 3");
    py::array_t<double> out(std::vector<py::ssize_t>(in.shape(), in.shape() + in.ndim()));
    const double *src = in.data();
    double *dst = out.mutable_data();
    for (py::ssize_t i = 0; i < in.size() / 3; ++i) {
        std::array<double, 3> p = r.value.transform.apply({src[3 * i], src[3 * i + 1], src[3 * i + 2]});
        for (int c = 0; c < 3; ++c) dst[3 * i + c] = p[c];
    }
    return out;
}

// The chain map as (chain1, chain2) tuples, chain2 None where unmatched;
// None without a chain map.
py::object chain_map(const py_result &r) {
    if (!r.chain_map) return py::none();
    py::list map;
    for (const pairfit::chain_match &m : *r.chain_map)
        map.append(py::make_tuple(m.chain1, m.chain2.empty() ? py::object(py::none()) : py::str(m.chain2)));
    return std::move(map);
}

py::object score_by_size(const py_result &r) {
    if (r.value.score_by_size.empty()) return py::none();
    return to_array<double>(r.value.score_by_size);
}

// The comparison document, as pairfit -json writes it, read by Python's
// json module: the same content by construction, JSON-serialisable.
py::object to_dict(const py_result &r) {
    std::string text;
    {
        py::gil_scoped_release unlocked;
        pairfit::comparison_description d{
            *r.first, *r.second, r.pairs, r.pairing_method, r.value, r.scores.get(), r.pairing_warnings, {}};
        d.warnings.insert(d.warnings.end(), r.merged_chains.begin(), r.merged_chains.end());
        if (r.scores != nullptr && !r.scores->warning.empty()) d.warnings.push_back(r.scores->warning);
        if (r.chain_map) d.sections.emplace_back("chain_map", pairfit::chain_map_json(*r.chain_map));
        if (r.domains != nullptr) {
            d.sections.emplace_back("domains", pairfit::domains_json(*r.first, r.pairs, *r.domains));
            d.sections.emplace_back("hinges", pairfit::hinges_json(*r.first, r.pairs, *r.domains));
        }
        text = pairfit::document_json(d);
    }
    return py::module_::import("json").attr("loads")(text);
}

// The domains or hinges as the document has them, or None without domains=True.
py::object domain_part(const py_result &r,
                       std::string (*json_of)(const pairfit::structure &, const pairfit::pairing &,
                                              const pairfit::domain_analysis &)) {
    if (r.domains == nullptr) return py::none();
    return py::module_::import("json").attr("loads")(json_of(*r.first, r.pairs, *r.domains));
}

// A standard score, or None when the comparison was made without metrics=True.
template <typename Value>
py::object score_of(const py_result &r, Value pairfit::metrics::*member) {
    if (r.scores == nullptr) return py::none();
    return py::cast(r.scores.get()->*member);
}

std::string repr(const py_result &r) {
    const pairfit::result &v = r.value;
    char numbers[200];
    std::snprintf(numbers, sizeof numbers,
                  "size=%d of %d pairs, rms=%.1f, score=%.1f, pvalue=%e, normalised_pvalue=%e", v.size,
                  v.npairs, v.rms, v.score, v.pvalue, v.normalised_pvalue);
    return "<pairfit.Result " + py::repr(py::str(pairfit::display_name(*r.first))).cast<std::string>() +
           " vs " + py::repr(py::str(pairfit::display_name(*r.second))).cast<std::string>() + ": " + numbers +
           ">";
}

}  // namespace

namespace {

// The pairing from Python: None (by residue number), "sequence",
// "structure", two aligned sequences (strings, '-' for gaps), or explicit
// pairs, two sequences of atom indices of the same length, each
// increasing, within the structures.
pairing_choice pairing_from_python(py::object pairs, const pairfit::structure &first,
                                   const pairfit::structure &second) {
    pairing_choice choice;
    if (pairs.is_none()) return choice;
    if (py::isinstance<py::str>(pairs)) {
        choice.kind = pairs.cast<std::string>() == "structure" ? pairing_choice::by_structure
                                                               : pairing_choice::by_sequence;
        return choice;
    }
    if (py::len(pairs) == 2 && py::isinstance<py::str>(pairs[py::int_(0)]) &&
        py::isinstance<py::str>(pairs[py::int_(1)])) {
        choice.kind = pairing_choice::by_alignment;
        choice.alignment = {pairs[py::int_(0)].cast<std::string>(), pairs[py::int_(1)].cast<std::string>()};
        return choice;
    }
    std::vector<std::vector<int>> lists;
    try {
        lists = pairs.cast<std::vector<std::vector<int>>>();
    } catch (const py::cast_error &) {
        throw py::value_error(
            "pairing: \"number\", \"sequence\" or two sequences (first, second) of atom "
            "indices, whole numbers within the structures");
    }
    if (lists.size() != 2 || lists[0].size() != lists[1].size())
        throw py::value_error("pairing: two index sequences (first, second) of the same length");
    for (int side = 0; side < 2; ++side) {
        int atoms = static_cast<int>(side == 0 ? first.size() : second.size());
        const std::vector<int> &list = lists[side];
        for (std::size_t k = 0; k < list.size(); ++k) {
            if (list[k] < 0 || list[k] >= atoms)
                throw py::value_error("pairing: atom index " + std::to_string(list[k]) +
                                      " outside structure " + std::to_string(side + 1) + " (" +
                                      std::to_string(atoms) + " atoms)");
            if (k > 0 && list[k] <= list[k - 1])
                throw py::value_error("pairing: the indices into structure " + std::to_string(side + 1) +
                                      " must increase");
        }
    }
    choice.kind = pairing_choice::explicit_pairs;
    choice.pairs.first = std::move(lists[0]);
    choice.pairs.second = std::move(lists[1]);
    return choice;
}

}  // namespace

void bind_compare(py::module_ &m) {
    const std::string normalised_pvalue_doc =
        "-1000 (log10 p + " + pairfit::normalised_pvalue_offset_text() + ") / C-alpha atoms of structure 1.";
    py::class_<py_result>(m, "Result", R"doc(
The outcome of one comparison: the six values of pairfit's SCORE line, the
pairs, the best subset, the distances after the final fit, and the rigid
transform that puts structure 2 onto structure 1. Made by pairfit.compare().
Array properties return new arrays, one entry per pair unless said otherwise.
)doc")
        .def_property_readonly(
            "max_natoms", [](const py_result &r) { return r.value.max_natoms; },
            "The larger count of C-alpha atoms of the two structures.")
        .def_property_readonly(
            "size", [](const py_result &r) { return r.value.size; },
            "Pairs in the best subset; 0 when none was accepted.")
        .def_property_readonly(
            "rms", [](const py_result &r) { return r.value.rms; },
            "RMS deviation of the best subset, Angstrom.")
        .def_property_readonly(
            "score", [](const py_result &r) { return r.value.score; },
            "Levitt-Gerstein score of the best subset.")
        .def_property_readonly(
            "pvalue", [](const py_result &r) { return r.value.pvalue; },
            "p-value of the best subset; 1 when none was accepted.")
        .def_property_readonly(
            "normalised_pvalue", [](const py_result &r) { return r.value.normalised_pvalue; },
            normalised_pvalue_doc.c_str())
        .def_property_readonly(
            "npairs", [](const py_result &r) { return r.value.npairs; }, "Number of pairs.")
        .def_property_readonly(
            "pairs1", [](const py_result &r) { return to_array<std::int64_t>(r.pairs.first); },
            "Per pair: index of its atom in structure 1 (int64 array).")
        .def_property_readonly(
            "pairs2", [](const py_result &r) { return to_array<std::int64_t>(r.pairs.second); },
            "Per pair: index of its atom in structure 2 (int64 array).")
        .def_property_readonly(
            "resnum1", [](const py_result &r) { return residue_numbers(*r.first, r.pairs.first); },
            "Per pair: residue number of its atom in structure 1.")
        .def_property_readonly(
            "resnum2", [](const py_result &r) { return residue_numbers(*r.second, r.pairs.second); },
            "Per pair: residue number of its atom in structure 2.")
        .def_property_readonly(
            "in_subset", [](const py_result &r) { return to_array<bool>(r.value.in_subset); },
            "Per pair: True when in the best subset (bool array).")
        .def_property_readonly(
            "distances", [](const py_result &r) { return to_array<double>(r.value.distances); },
            "Per pair: distance in Angstrom after the final fit of the best subset (as the "
            "search left them when none was accepted).")
        .def_property_readonly(
            "final_rms", [](const py_result &r) { return r.value.final_rms; },
            "RMS of distances over the best subset (0 when none was accepted).")
        .def_property_readonly("score_by_size", &score_by_size,
                               "With per_size=True: for sizes 0 to npairs, the highest score of "
                               "any subset of that size (0 where none was scored); else None.")
        .def_property_readonly("rotation", &rotation,
                               "3 x 3 rotation matrix of the transform x -> R x + t that puts "
                               "structure 2 onto structure 1.")
        .def_property_readonly(
            "translation", [](const py_result &r) { return to_array<double>(r.value.transform.translation); },
            "Translation t of the transform x -> R x + t (Angstrom).")
        .def_property_readonly(
            "structure1", [](const py_result &r) { return py_structure{r.first}; },
            "The reference structure.")
        .def_property_readonly(
            "structure2", [](const py_result &r) { return py_structure{r.second}; },
            "The structure moved onto the reference (with complex=True, its "
            "chains in mapped order).")
        .def_property_readonly("chain_map", &chain_map,
                               "With complex=True and several chains: per chain of structure 1, "
                               "in its order, (chain1, chain2), chain2 None where no chain of "
                               "structure 2 matched; else None.")
        .def_property_readonly(
            "domains", [](const py_result &r) { return domain_part(r, &pairfit::domains_json); },
            "With domains=True: the rigid domains, domain 1 (the best subset) first, each a dict "
            "as in to_dict()['domains'] (pairs, size, rms, score, pvalue, angle, axis_point, "
            "axis_direction, translation, residues); else None.")
        .def_property_readonly(
            "hinges", [](const py_result &r) { return domain_part(r, &pairfit::hinges_json); },
            "With domains=True: the hinges between domains along structure 1, each a dict as in "
            "to_dict()['hinges']; else None.")
        .def("moved", &moved, py::arg("coordinates") = py::none(), R"doc(
Coordinates moved by the transform that puts structure 2 onto structure 1.

coordinates: an (n, 3) array or one point of 3, in structure 2's frame; by
default all of structure 2's C-alpha coordinates. Returns a new float64
array of the same shape.
)doc")
        .def(
            "score_line", [](const py_result &r) { return pairfit::score_values(r.value); },
            "The six tab-separated values of pairfit's SCORE line, exactly as it prints them "
            "(without 'SCORE:' and the line end).")
        .def(
            "alignment_lines",
            [](const py_result &r) {
                const auto lines = pairfit::alignment_lines(*r.first, *r.second, r.pairs, r.value.in_subset);
                return py::make_tuple(lines[0], lines[1], lines[2]);
            },
            "The alignment the pairs make, as pairfit -aln prints it: structure 1's sequence with '-' for "
            "gaps, ':' under pairs in the best subset and '.' under other pairs, structure 2's sequence.")
        .def_property_readonly(
            "tm_score", [](const py_result &r) { return score_of(r, &pairfit::metrics::tm_score); },
            "With metrics=True: the TM-score, normalised by structure 1's C-alpha count; else None.")
        .def_property_readonly(
            "gdt_ts", [](const py_result &r) { return score_of(r, &pairfit::metrics::gdt_ts); },
            "With metrics=True: GDT-TS (cutoffs 1, 2, 4, 8 Angstrom); else None.")
        .def_property_readonly(
            "gdt_ha", [](const py_result &r) { return score_of(r, &pairfit::metrics::gdt_ha); },
            "With metrics=True: GDT-HA (cutoffs 0.5, 1, 2, 4 Angstrom); else None.")
        .def_property_readonly(
            "lddt", [](const py_result &r) { return score_of(r, &pairfit::metrics::lddt); },
            "With metrics=True: lDDT of the C-alpha atoms, without superposition; else None.")
        .def_property_readonly(
            "rmsd_all", [](const py_result &r) { return score_of(r, &pairfit::metrics::rmsd); },
            "With metrics=True: RMSD of all pairs after their own least-squares fit; else None.")
        .def_property_readonly(
            "residue_lddt",
            [](const py_result &r) -> py::object {
                if (r.scores == nullptr) return py::none();
                return to_array<double>(r.scores->residue_lddt);
            },
            "With metrics=True: per atom of structure 1, the lDDT over the distances involving it "
            "(float64 array); else None.")
        .def("to_dict", &to_dict,
             "The comparison as pairfit -json writes it (inputs, pairing, warnings, score, metrics, "
             "pairs, transform), as a dict of plain lists, numbers and strings.")
        .def("__repr__", &repr);

    m.def(
        "_compare",
        [](const py_structure &first, const py_structure &second, int min_size, py::object pairs,
           bool per_size, py::object progress, bool fast, int threads, int stacklevel, bool metrics,
           bool complex, bool domains, double domain_p) {
            pairing_choice pairing = pairing_from_python(pairs, *first.value, *second.value);
            if (complex && (pairing.kind == pairing_choice::explicit_pairs ||
                            pairing.kind == pairing_choice::by_alignment))
                throw py::value_error(
                    "complex=True pairs residues itself: pairing must be "
                    "\"number\", \"sequence\" or \"structure\"");
            pairing.map_chains = complex;
            pairfit::compare_options options;
            options.min_size = min_size;
            options.per_size_scores = per_size;
            options.mode = fast ? pairfit::search_mode::fast : pairfit::search_mode::exact;
            options.threads = threads;
            std::unique_ptr<progress_observer> observer;
            if (!progress.is_none()) {
                observer = std::make_unique<progress_observer>(progress.cast<py::function>());
                options.observer = observer.get();
            }
            py_result out;
            {
                py::gil_scoped_release unlocked;
                pairfit::workspace ws;
                out = compare_structures(ws, first, second, pairing, options);
                if (metrics)
                    out.scores = std::make_shared<const pairfit::metrics>(
                        pairfit::compute_metrics(*out.first, *out.second, out.pairs, out.value));
                if (domains) {
                    pairfit::domain_options domain_settings;
                    domain_settings.max_pvalue = domain_p;
                    out.domains = std::make_shared<const pairfit::domain_analysis>(pairfit::find_domains(
                        ws, *out.first, *out.second, out.pairs, options, out.value, domain_settings));
                }
            }
            emit_warnings(out.pairing_warnings, stacklevel, "PairingWarning");
            if (out.scores != nullptr && !out.scores->warning.empty())
                emit_warnings({out.scores->warning}, stacklevel, "MetricsWarning");
            return out;
        },
        py::arg("first"), py::arg("second"), py::arg("min_size"), py::arg("pairs"), py::arg("per_size"),
        py::arg("progress"), py::arg("fast"), py::arg("threads"), py::arg("stacklevel"),
        py::arg("metrics") = false, py::arg("complex") = false, py::arg("domains") = false,
        py::arg("domain_p") = 0.01);
}

}  // namespace pairfit_python
