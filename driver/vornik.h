// Settings of one vornik run: process-wide globals filled once by the command line
// (or left at their start values) and read directly wherever they matter.
#pragma once

struct t_wordbuf;

extern int word_input_bool;       // 1: words mode (POS tagger + chunk tagger); 0: -Itags
extern int chunktag_output_bool;  // -Ochunktags
extern int negra_output_bool;     // -Onegra
extern int lisp_output_bool;      // -Olisp
// -Oconll / -Ojson: set only by the last -O value given, so they come before the
// others; any other -O value clears both.
extern int conll_output_bool;
extern int json_output_bool;
extern int store_sgml_bool;       // -c: keep markup lines
extern int allow_unary_bool;      // -u: unary phrase nodes while decoding
extern int server_mode_bool;      // -S: serve TCP clients
extern int verbosity;             // progress dots; always 1
extern int verbose_bool;          // -v level: 0 silent, 1 header lines, 2 tagger stderr too
extern char *beam_size;           // "-Z<beam>" for the chunk tagger, or null
extern int num_pipelines;         // -j: tagger pipelines run side by side; 1 by default
extern const char *parameterpath; // CHUNKPATH, or ""
extern char *parameter_file[2];   // model paths, CHUNKPATH already prefixed
extern const char *progname;      // argv[0]; fehler cuts it to its base name
extern const char *CAT_UNDEFINED; // "_": category text meaning "no mother category"
extern t_wordbuf *word_buffer;    // words of the current sentence
extern t_wordbuf *sgml_buffer;    // markup lines of the current sentence

// Runs the whole program for the given command line and returns only by ending the process.
[[noreturn]] void vornik_main(int argc, char **argv);
