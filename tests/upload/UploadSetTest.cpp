#include <gtest/gtest.h>

#include <vector>

#include "upload/UploadSet.h"

namespace tavex {
namespace {

// The positions PrefixAfter gives `tables`, made in this order.
std::vector<std::size_t> PrefixPositions(const std::vector<StagingTable>& tables) {
  std::vector<const StagingTable*> made;
  for (const StagingTable& table : tables) made.push_back(&table);
  return PrefixAfter(made);
}

TEST(UploadSetTest, AKeyKeepsItsBareValueUntilTheLastCopyThatJoinsOnIt) {
  const std::vector<StagingTable> tables = {
      {.name = "Head_Upload", .copy = " SELECT H.* INTO Head_Upload FROM Head AS H "},
      // Joins on Head_Upload.
      {.name = "Line_Upload",
       .copy = " SELECT L.* INTO Line_Upload FROM Line AS L,Head_Upload AS H WHERE L.ID=H.ID "},
      // Joins on both, one of them written in brackets and another case.
      {.name = "Part_Upload",
       .copy = " SELECT P.* INTO Part_Upload FROM Part AS P,[line_upload] AS L,HEAD_UPLOAD AS H "
               "  WHERE P.LineID=L.LineID AND L.ID=H.ID "},
      // Names that only begin or contain another staging table's name, and
      // text that spells one, join on nothing staged.
      {.name = "Note_Upload",
       .copy = " SELECT N.* INTO Note_Upload FROM Head_Upload_Notes AS N,My_Line_Upload AS M "
               "  WHERE N.Kind='Part_Upload' "},
      {.name = "Tail_Upload", .copy = " SELECT * INTO Tail_Upload FROM Tail "},
  };
  EXPECT_EQ((std::vector<std::size_t>{2, 2, 2, 3, 4}), PrefixPositions(tables));
}

}  // namespace
}  // namespace tavex
