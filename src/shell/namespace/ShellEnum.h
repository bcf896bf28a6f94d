#pragma once

#include "shell/namespace/IdList.h"
#include "shell/namespace/ShellFolder.h"

#include <QtGlobal>

#include <functional>
#include <vector>

namespace lumisnap {

class TPTPidlList;

// How listing a folder ended.
enum class EnumOutcome { Listed, CannotList, Failed };

// Every child of `folder` with the given SHCONTF_ flags, in enumeration order.
// CannotList: no enumerator; Failed: the listing broke off (`items` then holds what came).
EnumOutcome enumerateChildren(ShellFolder &folder, std::uint32_t flags, std::vector<IdList> &items,
    qsizetype initialCapacity = 0);

// For each fresh list, from last to first, the equal entry of the sorted `old` list is
// looked up by halving; both get marked. Marking instead of removing gives the same
// outcome without moving the rest of a large list for every match.
void matchFreshAgainstOld(const TPTPidlList &old, const std::vector<IdList> &fresh,
    std::vector<char> &oldMatched, std::vector<char> &freshMatched);

// The same marking where lists are equal exactly when their bytes are: each fresh list
// finds its old one through a hash table, in time linear in both lists.
void matchFreshByBytes(const std::vector<IdList> &old, const std::vector<IdList> &fresh,
    std::vector<char> &oldMatched, std::vector<char> &freshMatched);

// Stable order of `count` elements by a three-way comparison. Every access stays within
// bounds whatever the comparison answers (a file changing while it is compared can only
// give a strange order).
std::vector<int> stableSortOrder(int count, const std::function<int(int, int)> &compare);

} // namespace lumisnap
