// The pack reader's two routes to the same values: the document walked as it stands, and its
// parsed tree replayed. The form tests run on both.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "xml/xmlwork.h"

namespace brisolt {

enum class TRoute { Walked, Replayed };

template <typename TPack>
bool LoadByRoute(TPack& pack, std::string content, TRoute route) {
  if (route == TRoute::Walked) return pack.LoadFromContent(std::move(content));
  TXMLFile document;
  document.Content = std::move(content);
  document.Parse();
  return pack.LoadFromDocument(document);
}

inline std::string RouteName(const ::testing::TestParamInfo<TRoute>& info) {
  return info.param == TRoute::Walked ? "Walked" : "Replayed";
}

}  // namespace brisolt
