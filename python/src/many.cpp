// Many comparisons on several threads with the GIL released: each thread
// has its own workspace, takes the next job from a shared counter and
// stores its outcome in the job's own slot, so results come back in input
// order whatever the number of threads.
#include <atomic>
#include <exception>
#include <map>
#include <thread>

#include <pybind11/stl.h>

#include "bindings.h"

namespace pairfit_python {

namespace {

// Runs work(job, thread_workspace) for jobs 0 to count - 1 on up to threads
// threads (0: one a core), this thread among them, with the GIL released.
// Each job's exception is kept in errors[job]. Between its jobs, this
// thread lets Python handle signals, so that Ctrl-C stops a long run: no
// job starts after that, and the signal handler's exception is thrown.
template <typename Work>
void run_jobs(std::size_t count, int threads, std::vector<std::exception_ptr> &errors, Work work) {
    errors.assign(count, nullptr);
    std::size_t wanted =
        threads > 0 ? static_cast<std::size_t>(threads) : std::max(1u, std::thread::hardware_concurrency());
    wanted = std::max<std::size_t>(1, std::min(wanted, count));
    std::atomic<std::size_t> next{0};
    std::exception_ptr interrupted;
    auto worker = [&](bool calling_thread) {
        pairfit::workspace ws;
        for (std::size_t job; (job = next.fetch_add(1)) < count;) {
            try {
                work(job, ws);
            } catch (...) {
                errors[job] = std::current_exception();
            }
            if (calling_thread) {
                py::gil_scoped_acquire locked;
                if (PyErr_CheckSignals() != 0) {
                    interrupted = std::make_exception_ptr(py::error_already_set());
                    next.store(count);
                }
            }
        }
    };
    {
        py::gil_scoped_release unlocked;
        std::vector<std::thread> helpers;
        for (std::size_t t = 1; t < wanted; ++t) {
            try {
                helpers.emplace_back(worker, false);
            } catch (const std::system_error &) {
                break;  // the threads started so far do the work
            }
        }
        worker(true);
        for (std::thread &helper : helpers) helper.join();
    }
    if (interrupted) std::rethrow_exception(interrupted);
}

void rethrow_first(const std::vector<std::exception_ptr> &errors) {
    for (const std::exception_ptr &e : errors)
        if (e) std::rethrow_exception(e);
}

std::vector<py_result> compare_pairs(py::list items, const std::vector<std::pair<int, int>> &jobs,
                                     int threads, int min_size, bool per_size,
                                     const std::string &pairing_name, bool fast, int stacklevel,
                                     std::size_t max_atoms) {
    // Structures as given, and the files to read, each path once.
    std::vector<py_structure> structures(items.size());
    std::vector<std::string> paths;
    std::vector<std::size_t> path_of(items.size(), 0);
    std::map<std::string, std::size_t> path_index;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (py::isinstance<py_structure>(items[i])) {
            structures[i] = items[i].cast<py_structure>();
            continue;
        }
        auto path = items[i].cast<std::string>();
        auto found = path_index.emplace(path, paths.size());
        if (found.second) paths.push_back(path);
        path_of[i] = found.first->second;
    }
    for (const auto &job : jobs)
        if (job.first < 0 || job.second < 0 || static_cast<std::size_t>(job.first) >= items.size() ||
            static_cast<std::size_t>(job.second) >= items.size())
            throw py::index_error("a pair names a structure that is not in the list");

    std::vector<read_outcome> read(paths.size());
    std::vector<std::exception_ptr> read_errors, compare_errors;
    std::vector<py_result> results(jobs.size());
    run_jobs(paths.size(), threads, read_errors,
             [&](std::size_t f, pairfit::workspace &) { read[f] = read_file(paths[f], "", max_atoms); });
    // Warnings of the files read, in input order, then the first failure.
    for (const read_outcome &outcome : read) emit_warnings(outcome.warnings, stacklevel);
    rethrow_first(read_errors);
    for (std::size_t i = 0; i < items.size(); ++i)
        if (!structures[i].value) structures[i] = read[path_of[i]].structure;

    pairfit::compare_options options;
    options.min_size = min_size;
    options.per_size_scores = per_size;
    // The comparisons share the threads; each fast search runs on one.
    options.mode = fast ? pairfit::search_mode::fast : pairfit::search_mode::exact;
    options.threads = 1;
    pairing_choice pairing;
    if (pairing_name == "sequence") pairing.kind = pairing_choice::by_sequence;
    if (pairing_name == "structure") pairing.kind = pairing_choice::by_structure;
    run_jobs(jobs.size(), threads, compare_errors, [&](std::size_t j, pairfit::workspace &ws) {
        results[j] =
            compare_structures(ws, structures[jobs[j].first], structures[jobs[j].second], pairing, options);
    });
    rethrow_first(compare_errors);
    for (const py_result &r : results) emit_warnings(r.pairing_warnings, stacklevel, "PairingWarning");
    return results;
}

}  // namespace

void bind_many(py::module_ &m) {
    m.def("_compare_pairs", &compare_pairs, py::arg("structures"), py::arg("pairs"), py::arg("threads"),
          py::arg("min_size"), py::arg("per_size"), py::arg("pairing"), py::arg("fast"),
          py::arg("stacklevel"), py::arg("max_atoms"),
          "Compares the pairs (i, j) of structures (Structure objects or paths) on several "
          "threads; results in the order of pairs.");
}

}  // namespace pairfit_python
