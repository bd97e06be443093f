// The contents of the frequency and score dicts, converted entry by entry.
#include "arguments.hpp"
#include "dict_walk.hpp"

namespace moodvane::module {

PyResult<types::InputSystem> parse_freqs(PyObject* dict, WordPins& pins) {
  types::InputSystem system;
  const auto size = static_cast<std::size_t>(PyDict_Size(dict));
  system.words.reserve(size);
  system.freqs.reserve(size);
  PyResult<void> walked = walk_dict(dict, pins, [&](PyObject* key, PyObject* value) -> PyResult<void> {
    PyResult<std::string_view> word = utf8_view(key);
    if (!word) return std::unexpected(std::move(word.error()));
    system.words.push_back(*word);
    PyResult<double> freq = to_double(value, &pins);
    if (!freq) return std::unexpected(std::move(freq.error()));
    system.freqs.push_back(*freq);
    return {};
  });
  if (!walked) return std::unexpected(std::move(walked.error()));
  return system;
}

PyResult<types::ScoreMap> parse_scores(PyObject* dict, WordPins& pins) {
  types::ScoreMap scores;
  scores.reserve(static_cast<std::size_t>(PyDict_Size(dict)));
  PyResult<void> walked = walk_dict(dict, pins, [&](PyObject* key, PyObject* value) -> PyResult<void> {
    PyResult<std::string_view> word = utf8_view(key);
    if (!word) return std::unexpected(std::move(word.error()));
    PyResult<double> score = to_double(value, &pins);
    if (!score) return std::unexpected(std::move(score.error()));
    scores.insert_or_assign(*word, *score);
    return {};
  });
  if (!walked) return std::unexpected(std::move(walked.error()));
  return scores;
}

}  // namespace moodvane::module
