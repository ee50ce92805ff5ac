// The rows pairfit-batch has written, read back for its report page.
#ifndef PAIRFIT_BATCH_ROWS_FILE_H
#define PAIRFIT_BATCH_ROWS_FILE_H

#include <string>

#include "report/batch_table.h"

// Reads the header line and the rows of path into table->entries. With
// table->files empty, the files are those the rows name, in order of first
// appearance, and table->all_pairs tells whether the rows hold every
// ordered pair of different files; otherwise every name must be one of
// table->files. The six SCORE values of a row are kept (further columns
// are not drawn); a row with one field after the names is a failed pair.
// A header ending in the warnings column sets table->warnings_column, and
// each row's last field goes to its entry's warnings.
// False, with the reason in *error, when the file cannot be read or is not
// a file of rows.
bool read_rows_file(const std::string &path, pairfit::batch_table *table, std::string *error);

#endif
