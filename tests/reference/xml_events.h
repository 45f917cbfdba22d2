// The element events of a document as one text, by the walk and by the replay of the parsed tree,
// so that the two can be compared. Shared by the XML tests and fuzz_parse.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "xml/xmlwork.h"

namespace brisolt::reference {

// Writes "depth<name\n" for each start and "depth>text\n" for each end; stops the walk at the
// event numbered `stopAt`, counted from 1 (0: never), and passes over the elements named
// `passOver` (none when empty).
class TEventLog : public TXMLHandler {
 public:
  explicit TEventLog(std::size_t stopAt = 0, std::string_view passOver = {}) : stopAt_(stopAt), passOver_(passOver) {}

  TXMLNext Open(std::string_view name, std::size_t depth) override {
    if (!Log('<', name, depth)) return TXMLNext::Stop;
    return !passOver_.empty() && name == passOver_ ? TXMLNext::PassOver : TXMLNext::Enter;
  }
  bool Close(std::string_view text, std::size_t depth) override { return Log('>', text, depth); }

  std::string Text;

 private:
  bool Log(char kind, std::string_view what, std::size_t depth) {
    Text += std::to_string(depth);
    Text += kind;
    Text += what;
    Text += '\n';
    return ++count_ != stopAt_;
  }

  std::size_t stopAt_;
  std::string_view passOver_;
  std::size_t count_ = 0;
};

// The events of walking `content`; false when the walk gave up.
inline bool WalkEvents(const std::string& content, std::string& events, std::size_t stopAt = 0,
                       std::string_view passOver = {}) {
  TXMLFile file;
  file.Content = content;
  TEventLog log(stopAt, passOver);
  const bool walked = file.Walk(log);
  events = log.Text;
  return walked;
}

// The events of replaying the tree of `content`; false when it does not parse or the replay
// stopped.
inline bool ReplayEvents(const std::string& content, std::string& events, std::size_t stopAt = 0,
                         std::string_view passOver = {}) {
  TXMLFile file;
  file.Content = content;
  TEventLog log(stopAt, passOver);
  const bool replayed = file.Parse() && file.Replay(log);
  events = log.Text;
  return replayed;
}

}  // namespace brisolt::reference
