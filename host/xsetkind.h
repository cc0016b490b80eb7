#pragma once

#include <type_traits>

#include "xcompactlineset.h"
#include "xframeset.h"
#include "xgeoset.h"
#include "xlineset.h"
#include "xpointset.h"
#include "xpolymesh.h"
#include "xtrimesh.h"

// The class name of a type code, "xGeoSet" for a code no set class has.
XHOST_API const char* xGeoTypeName(int type);

// Calls visit with the set as the class its type code names, or as itself
// for a code no set class has; a visitor of overloads picks a kind each.
template <class Set, class Visit>
decltype(auto) xVisitSet(Set& set, Visit&& visit) {
  static_assert(std::is_base_of_v<xGeoSet, std::remove_const_t<Set>>);
  const auto as = [&set]<class Kind>() -> auto& {
    return static_cast<std::conditional_t<std::is_const_v<Set>, const Kind&, Kind&>>(set);
  };
  switch (set.GetType()) {
    case xGeoTypePolyMesh:
      return visit(as.template operator()<xPolyMesh>());
    case xGeoTypeLineSet:
      return visit(as.template operator()<xLineSet>());
    case xGeoTypePointSet:
      return visit(as.template operator()<xPointSet>());
    case xGeoTypeFrameSet:
      return visit(as.template operator()<xFrameSet>());
    case xGeoTypeTriMesh:
      return visit(as.template operator()<xTriMesh>());
    case xGeoTypeCompactLineSet:
      return visit(as.template operator()<xCompactLineSet>());
    default:
      return visit(set);
  }
}

// Lambdas, one for a kind, as one visitor.
template <class... Visit>
struct xSetVisitor : Visit... {
  using Visit::operator()...;
};
template <class... Visit>
xSetVisitor(Visit...) -> xSetVisitor<Visit...>;
