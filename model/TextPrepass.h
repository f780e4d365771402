#pragma once

// The character pre-passes and word readers shared by every reader of the
// system's text files: the model file, the style file, the vehicle-system
// sections, the external force history and the batch parameter sets.

#include <istream>
#include <ostream>
#include <string>
#include <vector>

// Removes '|' comments (to the end of their line, where a newline stays) and
// turns every run of blanks into one separator: a newline when the run spans a
// line end, otherwise one tab. Blank lines survive as empty lines.
void StripComments(std::istream& in, std::ostream& out);

// As StripComments, but a run of blanks without a line end becomes the last
// blank character of the run instead of a tab (the same words result).
void StripCommentsKeepBlank(std::istream& in, std::ostream& out);

// Reads whitespace-separated words until one equals `keyword` exactly and stops
// right after it. When the text ends first the stream is left failed.
std::istream& FindKeyword(std::istream& in, const std::string& keyword);

// Reads the next non-empty line of a cleaned text as its list of words. Returns
// false only when the text has ended before any word of a line was found.
bool ReadLine(std::istream& in, std::vector<std::string>& words);

// `word` for a message: its first 40 characters at most, followed by "..."
// when it is longer, with every byte that is not printable ASCII written as
// \xNN, so that a huge or binary word cannot flood or garble a console.
std::string Excerpt(const std::string& word);
// The same between single quotes.
std::string QuotedExcerpt(const std::string& word);

// Converts a word by stream extraction of a double: a valid leading number
// converts ("12kg" gives 12), anything else fails.
bool ParseDouble(const std::string& word, double& value);
