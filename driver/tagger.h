// The tagger processes as vornik knows them: which is which (POS or chunk), how each
// was started, and how their failures end the run: a tagger that ended or could not
// start, a reply that breaks the line protocol, or a tagger that stops answering.
#pragma once
#include <sys/types.h>
#include <cstdio>

// The token the chunk tagger gets around every sentence (two before it, one after).
inline constexpr char BOUNDARY_TOKEN[] = "$lim$";
// What the chunk tagger is sent in place of a tag equal to BOUNDARY_TOKEN, so that no
// word can pass for a sentence boundary.
inline constexpr char BOUNDARY_STAND_IN[] = "\\$lim$";

// The token line sent to the chunk tagger for `tag`: the tag itself, or the stand-in
// for the boundary token. The result is `tag` or a constant.
const char *chunk_token(const char *tag);

// Records a started tagger: `role` ("POS" or "chunk") and `argv` name it in messages,
// `fp` are its streams ([0] replies, [1] input); `exec_error` is the error number of a
// failed start, or 0. The arguments must live until the process ends.
void register_tagger(const char *role, char *const *argv, pid_t pid, FILE **fp, int exec_error);

// The tagger behind `stream` (either of its streams) is gone: its output ended or a
// write to it failed. Writes the broken-pipe lines and one line naming the tagger and
// how it ended, waits for the taggers and ends the process with status 255.
[[noreturn]] void tagger_gone(FILE *stream);
// A reply from the tagger behind `stream` broke the line protocol: "protocol error: "
// with the tagger, `what` and the input line; waits for the taggers, status 255.
[[noreturn]] void tagger_protocol_error(FILE *stream, const char *what);

// Every answer of a tagger is its rows and one blank line after them. answer_read: the
// last row of an answer was read from `replies`, so its blank line is due next.
// take_answer_end: whether that blank line is due (the caller is reading it now); a
// blank line where none is due is an answer without rows. False for a stream of no
// registered tagger.
void answer_read(FILE *replies);
bool take_answer_end(FILE *replies);

// Starts the reply clock: a tagger that keeps vornik waiting longer than the reply
// timeout (VORNIK_TAGGER_TIMEOUT seconds, default 60, 0 for none) interrupts the read
// or write in progress. reply_clock_stop() stops it.
void reply_clock_start();
void reply_clock_stop();
// Whether the reply clock ran out since it was last started.
bool reply_time_is_up();
// After a failed read from or write to a tagger stream: reports a timeout (status 255)
// if the clock ran out, otherwise the tagger as gone. Never returns.
[[noreturn]] void tagger_stream_failed(FILE *stream);

// The end of a run: closes every tagger's input and reads what it still writes to the
// end (a row there is a protocol error), then stops them as stop_taggers does. Ends
// the process with status 255 when a tagger failed; returns when all ended cleanly.
void end_taggers(int grace_ms);
// Closes every tagger's streams (dropping unsent input) and waits for each to end,
// killing one that has not ended after `grace_ms`. Returns true when all ended with
// status 0 (or by SIGPIPE, which a closed reply stream causes); every other ending has
// then been reported on standard error.
bool stop_taggers(int grace_ms);
