// Opening a structure file: zlib reads plain and gzip-compressed files
// alike, and the text's first line that is neither blank nor a comment
// tells whether the PDB or the mmCIF reader takes it.
#include "structure/file_format.h"

#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <new>

#include "structure/cif_reader.h"
#include "structure/pdb_reader.h"
#include "structure/read_errors.h"
#include "structure/selection_parse.h"
#include "structure/text_source.h"

namespace pairfit {

text_format sniff_format(const char *line) {
    const char *p = line;
    while (std::isspace(static_cast<unsigned char>(*p))) ++p;
    if (*p == '#' || *p == '\0') return text_format::undecided;
    static const char DATA[] = "data_";
    for (size_t i = 0; i < sizeof DATA - 1; ++i)
        if (std::tolower(static_cast<unsigned char>(p[i])) != DATA[i]) return text_format::pdb;
    return text_format::mmcif;
}

namespace {

// Reads the text of file into out with the reader of its format. The lines
// before the one that decides (blank or comments) go to the PDB reader,
// which counts them and skips the rest of a long one.
void read_text(gzFile file, size_t file_size, const std::string &path, const read_options &options,
               structure *out) {
    text_source source(file, file_size);
    pdb_reader pdb(source, path, options, out);
    char line[pdb_reader::LINE_SIZE];
    text_format format = text_format::undecided;
    bool ended;
    while (source.read_line_start(line, pdb_reader::LINE_SIZE, &ended)) {
        if (format == text_format::undecided) {
            format = sniff_format(line);
            if (format == text_format::mmcif) {
                read_ca_cif(source, line, options, out);
                return;
            }
        }
        pdb.take_line(line, ended);
    }
    pdb.finish();
}

// Closes the file however reading ends.
struct gz_closer {
    gzFile file;
    ~gz_closer() { gzclose(file); }
};

}  // namespace

structure read_structure(const std::string &path, const read_options &options) {
    // A bad selection is refused before the file is opened. With a
    // selection, the atom limit applies to the atoms it keeps: one model of
    // a large ensemble fits where the whole does not.
    const bool selecting = !options.selection.empty();
    model_chain_selection selection;
    if (selecting) selection = parse_selection(options.selection, path);
    read_options reading = options;
    if (selecting) reading.max_atoms = static_cast<size_t>(-1);

    gzFile file = gzopen(path.c_str(), "r");
    if (file == nullptr) fail_read(read_failure::cannot_open, path, options.max_atoms);
    gz_closer closer{file};
    // zlib's buffers: 64 KB for speed on large files, less for small ones
    // (a buffer larger than the file only costs its allocation).
    struct stat status;
    const size_t file_size =
        stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) ? static_cast<size_t>(status.st_size) : 0;
    gzbuffer(file, file_size > 0 && file_size < (1 << 16) ? std::max<unsigned>(8192, file_size) : 1 << 16);
    structure out;
    out.source = path;
    try {
        read_text(file, file_size, path, reading, &out);
    } catch (const std::bad_alloc &) {
        out = structure();
        fail_read(read_failure::out_of_memory, path, options.max_atoms);
    }
    if (selecting) {
        out = apply_selection(out, selection, options.selection);
        if (out.atoms.size() > options.max_atoms)
            fail_read(read_failure::too_many_atoms, path, options.max_atoms);
    } else if (out.atoms.empty() && options.on_warning) {
        options.on_warning("Warning: no C-alpha atom in file " + path +
                           " (ATOM records or mmCIF ATOM rows of atoms named CA): nothing to "
                           "compare");
    }
    return out;
}

}  // namespace pairfit
