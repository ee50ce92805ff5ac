// The records of one C-alpha atom and of one structure, and the workspace
// that a comparison works on.
#ifndef PAIRFIT_MOLECULE_H
#define PAIRFIT_MOLECULE_H

enum { MAX_ATOMS = 5000 };   // capacity of one molecule
enum { NAME_SIZE = 8 };      // atom and residue names: 7 characters and NUL
enum { PATH_SIZE = 800 };    // file names: 799 characters and NUL

struct atom {
    double x, y, z;          // Angstrom
    double sqdev;            // squared distance to the partner after the latest fit
    char resname[NAME_SIZE]; // residue name, alternate-location letter glued in front
    char name[NAME_SIZE];    // atom name, always "CA"
    int number;              // atom serial number
    int resnum;              // residue sequence number, the pairing key
    int selected;            // non-zero: the pair is in the subset being fitted
};

struct molecule {
    atom atoms[MAX_ATOMS];   // in file order; entries natoms and beyond are unused
    int natoms;
    char filename[PATH_SIZE];
};

// The workspace. Each thread has its own, so that a batch run can compare
// several pairs at once; the command-line tool uses just one thread.
extern thread_local molecule m[2];  // molecule 1 (reference) and molecule 2 (moved)
extern thread_local int ma[2];      // C-alpha atoms read from each file, before matching
extern thread_local double rms;     // RMS deviation of the latest fit

// Command-line switches and the coordinate-file path.
extern thread_local int verbose_flag, fraction_flag, select1_flag, select2_flag,
    align_flag, b_flag, out_flag;
extern thread_local char outfile[PATH_SIZE];

#endif
