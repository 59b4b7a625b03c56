#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavex::db {

enum class TokenKind {
  Word,       // name or keyword
  Bracketed,  // [name], text holds the name without brackets
  Quoted,     // "name", kept as written
  String,     // 'text' with '' escapes, kept as written
  Number,
  Date,    // #yyyy-mm-dd[ hh:mm[:ss]]#, text holds "yyyy-mm-dd hh:mm:ss"
  Param,   // ?
  Symbol,  // operators and punctuation other than the ones below
  LParen,
  RParen,
  Comma,
};

struct Token {
  TokenKind kind;
  std::string text;
  std::string space;  // blanks and comments before the token

  bool Is(TokenKind k, std::string_view t) const;
  // A Word equal to `keyword`, ignoring ASCII case.
  bool IsKeyword(std::string_view keyword) const;
};

struct TokenList {
  std::vector<Token> tokens;
  std::string trailing;  // blanks and comments after the last token
};

// Splits a Jet / T-SQL statement into tokens. String literals, [names],
// "names" and comments are respected; an unterminated one raises DbError.
TokenList Tokenize(std::string_view sql);

}  // namespace tavex::db
