#include "uCheckReader.h"

#include "uCheckReaderPatterns.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <set>
#include <string_view>

namespace {

struct NotUnderstood {};

enum class TokenKind { Word, Quoted, Text, Number, Symbol, End };

struct Token {
    TokenKind Kind = TokenKind::End;
    std::string Text; // a word in upper case keeps its spelling in Raw
    std::string Raw;
};

bool isWordStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}

bool isWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$';
}

std::string upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// Quoted texts and identifiers: a doubled closing quote stands for one.
size_t readQuoted(const std::string& s, size_t i, char close, std::string& out) {
    for (size_t j = i + 1; j < s.size(); ++j) {
        if (s[j] != close) {
            out += s[j];
            continue;
        }
        if (close != ']' && j + 1 < s.size() && s[j + 1] == close) {
            out += close;
            ++j;
            continue;
        }
        return j + 1;
    }
    throw NotUnderstood{};
}

size_t readNumber(const std::string& s, size_t i, std::string& out) {
    size_t j = i;
    while (j < s.size() && (std::isdigit(static_cast<unsigned char>(s[j])) || s[j] == '.'))
        ++j;
    if (j < s.size() && (s[j] == 'e' || s[j] == 'E')) {
        size_t k = j + 1;
        if (k < s.size() && (s[k] == '+' || s[k] == '-')) ++k;
        if (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) {
            j = k;
            while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j])))
                ++j;
        }
    }
    out = s.substr(i, j - i);
    return j;
}

std::vector<Token> tokenize(const std::string& s) {
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < s.size()) {
        char c = s[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        Token t;
        if (c == '\'') {
            t.Kind = TokenKind::Text;
            i = readQuoted(s, i, '\'', t.Text);
        } else if (c == '"' || c == '`' || c == '[') {
            // a bracket is an identifier only where no ARRAY keyword comes before it
            if (c == '[' && !tokens.empty() && tokens.back().Text == "ARRAY") {
                t = {TokenKind::Symbol, "[", "["};
                ++i;
            } else {
                t.Kind = TokenKind::Quoted;
                i = readQuoted(s, i, c == '[' ? ']' : c, t.Text);
                t.Raw = t.Text;
            }
        } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                   (c == '.' && i + 1 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
            t.Kind = TokenKind::Number;
            i = readNumber(s, i, t.Text);
        } else if (isWordStart(c)) {
            size_t j = i;
            while (j < s.size() && isWordChar(s[j]))
                ++j;
            t.Kind = TokenKind::Word;
            t.Raw = s.substr(i, j - i);
            t.Text = upper(t.Raw);
            i = j;
        } else {
            static const char* const pairs[] = {"<=", ">=", "<>", "!=", "::", "==", "~~"};
            t.Kind = TokenKind::Symbol;
            t.Text = std::string(1, c);
            for (const char* p : pairs)
                if (s.compare(i, 2, p) == 0) t.Text = p;
            i += t.Text.size();
        }
        tokens.push_back(std::move(t));
    }
    tokens.push_back({});
    return tokens;
}

// What a part of a condition stands for.
struct Node {
    enum Kind { Column, Literal, Length, Trim, Lower, Upper, Array, Condition, IsNull } kind = Condition;
    std::string text; // the column's name, or the literal
    std::vector<std::string> items;
    std::vector<TColumnCondition> conditions;
    std::vector<TColumnOrder> orders;
    std::vector<TColumnPair> apart;
};

bool isComparison(const std::string& op) {
    return op == "=" || op == "==" || op == "<" || op == "<=" || op == ">" || op == ">=" || op == "<>" ||
           op == "!=";
}

bool isUnequal(const std::string& op) {
    return op == "<>" || op == "!=";
}

std::string mirrored(const std::string& op) {
    if (op == "<") return ">";
    if (op == "<=") return ">=";
    if (op == ">") return "<";
    if (op == ">=") return "<=";
    return op;
}

// Whole numbers of a length; a fraction or a number past the 64-bit range is not read.
int64_t wholeNumber(const Node& n) {
    if (n.kind != Node::Literal) throw NotUnderstood{};
    int64_t v = 0;
    const char* first = n.text.data();
    const char* last = first + n.text.size();
    auto [ptr, ec] = std::from_chars(first, last, v);
    if (ec != std::errc() || ptr != last) throw NotUnderstood{};
    return v;
}

TColumnCondition on(const std::string& column) {
    TColumnCondition c;
    c.Column = column;
    return c;
}

TColumnCondition lengthCondition(const std::string& column, const std::string& op, int64_t n) {
    if (isUnequal(op)) throw NotUnderstood{};
    TColumnCondition c = on(column);
    if (op == "=" || op == "==" || op == ">=") c.MinLength = n;
    if (op == "=" || op == "==" || op == "<=") c.MaxLength = n;
    if (op == ">") c.MinLength = n == INT64_MAX ? n : n + 1;
    if (op == "<") c.MaxLength = n == INT64_MIN ? n : n - 1;
    return c;
}

TColumnCondition valueCondition(const std::string& column, const std::string& op, const std::string& v) {
    TColumnCondition c = on(column);
    if (op == "=" || op == "==") c.Values.push_back(v);
    if (op == ">" || op == ">=") c.Low = TCheckBound{v, op == ">="};
    if (op == "<" || op == "<=") c.High = TCheckBound{v, op == "<="};
    if (isUnequal(op)) c.Excluded.push_back(v);
    return c;
}

TColumnOrder order(const std::string& left, const std::string& op, const std::string& right) {
    if (op == ">" || op == ">=") return {right, left, op == ">"};
    if (op == "<" || op == "<=") return {left, right, op == "<"};
    throw NotUnderstood{};
}

Node condition(TColumnCondition c) {
    Node n;
    n.conditions.push_back(std::move(c));
    return n;
}

// Numbers compare as numbers, anything else (dates as conditions write them) as text.
int compareValues(const std::string& a, const std::string& b) {
    double x = 0, y = 0;
    auto [pa, ea] = std::from_chars(a.data(), a.data() + a.size(), x);
    auto [pb, eb] = std::from_chars(b.data(), b.data() + b.size(), y);
    if (ea == std::errc() && eb == std::errc() && pa == a.data() + a.size() && pb == b.data() + b.size())
        return x < y ? -1 : x > y ? 1 : 0;
    return a.compare(b) < 0 ? -1 : a.compare(b) > 0 ? 1 : 0;
}

// The tighter of two ends; isLow says which end of a range they are.
std::optional<TCheckBound> tighter(const std::optional<TCheckBound>& a, const std::optional<TCheckBound>& b,
                                   bool isLow) {
    if (!a) return b;
    if (!b) return a;
    const int c = compareValues(a->Value, b->Value);
    if (c == 0) return a->Inclusive ? b : a;
    return (c > 0) == isLow ? a : b;
}

bool isEmpty(const TCheckRange& r) {
    if (!r.Low || !r.High) return false;
    const int c = compareValues(r.Low->Value, r.High->Value);
    return c > 0 || (c == 0 && !(r.Low->Inclusive && r.High->Inclusive));
}

// What two sets of ranges share.
std::vector<TCheckRange> shared(const std::vector<TCheckRange>& a, const std::vector<TCheckRange>& b) {
    std::vector<TCheckRange> out;
    for (const auto& x : a)
        for (const auto& y : b)
            if (TCheckRange r{tighter(x.Low, y.Low, true), tighter(x.High, y.High, false)}; !isEmpty(r))
                out.push_back(std::move(r));
    return out;
}

// a starts before b: an open low end first, an inclusive one before an exclusive one.
bool startsBefore(const TCheckRange& a, const TCheckRange& b) {
    if (!a.Low || !b.Low) return !a.Low && b.Low;
    const int c = compareValues(a.Low->Value, b.Low->Value);
    return c < 0 || (c == 0 && a.Low->Inclusive && !b.Low->Inclusive);
}

// Ranges that overlap or touch are one range; a starts first.
bool joins(const TCheckRange& a, const TCheckRange& b) {
    if (!a.High || !b.Low) return true;
    const int c = compareValues(a.High->Value, b.Low->Value);
    return c > 0 || (c == 0 && (a.High->Inclusive || b.Low->Inclusive));
}

// The union of ranges as the fewest ranges, lowest first.
std::vector<TCheckRange> united(std::vector<TCheckRange> ranges) {
    std::stable_sort(ranges.begin(), ranges.end(), startsBefore);
    std::vector<TCheckRange> out;
    for (auto& r : ranges) {
        if (out.empty() || !joins(out.back(), r)) {
            out.push_back(std::move(r));
            continue;
        }
        TCheckRange& last = out.back();
        if (!last.High || !r.High) {
            last.High.reset();
            continue;
        }
        const int c = compareValues(last.High->Value, r.High->Value);
        if (c < 0) last.High = r.High;
        if (c == 0) last.High->Inclusive = last.High->Inclusive || r.High->Inclusive;
    }
    return out;
}

void setRanges(TColumnCondition& c, const std::vector<TCheckRange>& ranges) {
    c.Low = ranges.front().Low;
    c.High = ranges.front().High;
    c.MoreRanges.assign(ranges.begin() + 1, ranges.end());
}

// All conditions of one alternative on its one column, as one. Ranges that share nothing keep
// the tighter ends of the first ones, as a condition no row meets has no better reading.
TColumnCondition folded(const std::vector<TColumnCondition>& conditions) {
    TColumnCondition out = on(conditions.front().Column);
    for (const auto& c : conditions) {
        if (out.Values.empty()) out.Values = c.Values;
        if (auto both = shared(out.Ranges(), c.Ranges()); !both.empty()) {
            setRanges(out, united(std::move(both)));
        } else {
            out.Low = tighter(out.Low, c.Low, true);
            out.High = tighter(out.High, c.High, false);
            out.MoreRanges.clear();
        }
        if (c.MinLength) out.MinLength = std::max(out.MinLength.value_or(INT64_MIN), *c.MinLength);
        if (c.MaxLength) out.MaxLength = std::min(out.MaxLength.value_or(INT64_MAX), *c.MaxLength);
        out.Excluded.insert(out.Excluded.end(), c.Excluded.begin(), c.Excluded.end());
        if (out.Prefix.empty()) out.Prefix = c.Prefix;
        out.NotNull = out.NotNull || c.NotNull;
        out.Json = out.Json || c.Json;
        if (out.Mask.empty()) out.Mask = c.Mask;
        if (out.Shape.empty()) out.Shape = c.Shape;
        if (out.Case == TTextCase::Any) out.Case = c.Case;
    }
    return out;
}

bool noForm(const TColumnCondition& c) {
    return !c.Json && c.Case == TTextCase::Any && c.Mask.empty() && c.Shape.empty();
}

// A pattern's mask, or the pattern is more than a mask can say.
std::string maskOf(std::optional<std::string> mask) {
    if (!mask) throw NotUnderstood{};
    return *mask;
}

bool onlyValues(const TColumnCondition& c) {
    return !c.Values.empty() && !c.Low && !c.High && c.MoreRanges.empty() && !c.MinLength && !c.MaxLength &&
           c.Excluded.empty() && c.Prefix.empty() && noForm(c);
}

bool onlyRange(const TColumnCondition& c) {
    return c.Values.empty() && (c.Low || c.High) && !c.MinLength && !c.MaxLength && c.Excluded.empty() &&
           c.Prefix.empty() && noForm(c);
}

// Lists join, and ranges join into ranges with the gaps between them; otherwise the first
// alternative alone is kept, which is stricter than the condition and so never lets a row fail it.
TColumnCondition either(const TColumnCondition& a, const TColumnCondition& b) {
    TColumnCondition out = a;
    out.NotNull = a.NotNull && b.NotNull;
    if (onlyValues(a) && onlyValues(b)) {
        out.Values.insert(out.Values.end(), b.Values.begin(), b.Values.end());
        return out;
    }
    if (!onlyRange(a) || !onlyRange(b)) return a;
    std::vector<TCheckRange> all = a.Ranges();
    for (auto& r : b.Ranges())
        all.push_back(std::move(r));
    setRanges(out, united(std::move(all)));
    return out;
}

class Parser {
public:
    explicit Parser(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

    TCheckReading Read() {
        Node n = orExpression();
        if (peek().Kind != TokenKind::End || n.kind != Node::Condition) throw NotUnderstood{};
        return {true, std::move(n.conditions), std::move(n.orders), std::move(n.apart)};
    }

private:
    const Token& peek() const { return tokens_[pos_]; }
    const Token& next() {
        const Token& t = tokens_[pos_];
        if (t.Kind != TokenKind::End) ++pos_;
        return t;
    }
    bool accept(const std::string& text) {
        const Token& t = peek();
        if ((t.Kind != TokenKind::Word && t.Kind != TokenKind::Symbol) || t.Text != text) return false;
        ++pos_;
        return true;
    }
    void expect(const std::string& text) {
        if (!accept(text)) throw NotUnderstood{};
    }

    // Deep nesting is no condition a schema would hold; it is refused before the stack runs out.
    struct Depth {
        explicit Depth(int& d) : d_(d) {
            if (++d_ > 64) throw NotUnderstood{};
        }
        ~Depth() { --d_; }
        int& d_;
    };

    Node orExpression() {
        Depth guard(depth_);
        std::vector<Node> sides{andExpression()};
        if (peek().Text != "OR" || peek().Kind != TokenKind::Word) return sides[0];
        while (accept("OR"))
            sides.push_back(andExpression());
        return alternatives(std::move(sides));
    }

    // "x IS NULL OR ..." lets through what the rest lets through, and a NULL, which a check lets
    // through anyway. The alternatives left must all be about one column.
    static Node alternatives(std::vector<Node> sides) {
        std::string nullable;
        std::vector<Node> kept;
        for (auto& side : sides) {
            if (side.kind == Node::IsNull)
                nullable = side.text;
            else
                kept.push_back(std::move(side));
        }
        if (kept.empty()) throw NotUnderstood{};
        for (const auto& side : kept)
            if (side.kind != Node::Condition) throw NotUnderstood{};
        if (kept.size() == 1) return dropNotNull(std::move(kept[0]), nullable);
        TColumnCondition joined = oneColumn(kept[0]);
        for (size_t i = 1; i < kept.size(); ++i) {
            TColumnCondition more = oneColumn(kept[i]);
            if (upper(more.Column) != upper(joined.Column)) throw NotUnderstood{};
            joined = either(joined, more);
        }
        return dropNotNull(condition(std::move(joined)), nullable);
    }

    static Node dropNotNull(Node n, const std::string& column) {
        for (auto& c : n.conditions)
            if (upper(c.Column) == upper(column)) c.NotNull = false;
        return n;
    }

    static TColumnCondition oneColumn(const Node& n) {
        if (n.conditions.empty() || !n.orders.empty() || !n.apart.empty()) throw NotUnderstood{};
        for (const auto& c : n.conditions)
            if (upper(c.Column) != upper(n.conditions[0].Column)) throw NotUnderstood{};
        return folded(n.conditions);
    }

    Node andExpression() {
        Node first = predicate();
        if (peek().Text != "AND" || peek().Kind != TokenKind::Word) return first;
        if (first.kind != Node::Condition) throw NotUnderstood{};
        while (accept("AND")) {
            Node more = predicate();
            if (more.kind != Node::Condition) throw NotUnderstood{};
            first.conditions.insert(first.conditions.end(), more.conditions.begin(), more.conditions.end());
            first.orders.insert(first.orders.end(), more.orders.begin(), more.orders.end());
            first.apart.insert(first.apart.end(), more.apart.begin(), more.apart.end());
        }
        return first;
    }

    Node predicate() {
        Node left = value();
        const Token& t = peek();
        if (t.Kind == TokenKind::Word) {
            if (t.Text == "IS") return isNull(left);
            if (t.Text == "IN") return inList(left, false);
            if (t.Text == "BETWEEN") return between(left);
            if (t.Text == "LIKE") return like(left);
            if (t.Text == "NOT") {
                next();
                if (peek().Text == "BETWEEN") return notBetween(left);
                if (peek().Text == "GLOB") return onlyOf(left);
                if (peek().Text != "IN") throw NotUnderstood{};
                return inList(left, true);
            }
            if (t.Text == "GLOB") return glob(left);
            if (t.Text == "SIMILAR") return similar(left);
            if (t.Text == "STARTING") return startingWith(left);
        }
        if (t.Kind == TokenKind::Symbol && t.Text == "~~") return like(left);
        if (t.Kind == TokenKind::Symbol && t.Text == "~") return regex(left);
        if (t.Kind == TokenKind::Symbol && isComparison(t.Text)) return comparison(left);
        return left;
    }

    Node isNull(const Node& left) {
        next();
        const bool negated = accept("NOT");
        if (!accept("NULL") || left.kind != Node::Column) throw NotUnderstood{};
        if (!negated) return {Node::IsNull, left.text, {}, {}, {}, {}};
        TColumnCondition c = on(left.text);
        c.NotNull = true;
        return condition(std::move(c));
    }

    Node inList(const Node& left, bool negated) {
        next();
        if (left.kind != Node::Column) throw NotUnderstood{};
        expect("(");
        TColumnCondition c = on(left.text);
        auto& values = negated ? c.Excluded : c.Values;
        do {
            values.push_back(literal(value()));
        } while (accept(","));
        expect(")");
        return condition(std::move(c));
    }

    // A prefix ('abc%'), a mask of the pattern ('___-____'), or a loose shape ('%_@_%._%').
    Node like(const Node& left) {
        next();
        const std::string p = patternOf(left);
        while (accept("::"))
            typeName();
        if (peek().Kind == TokenKind::Word && peek().Text == "ESCAPE") throw NotUnderstood{};
        try {
            Node n = patterned(left, p, "%_", LikeMask);
            // the pattern stays beside its mask: values of another kind that meet it keep their kind
            if (!n.conditions.front().Mask.empty()) n.conditions.front().Shape = p;
            return n;
        } catch (const NotUnderstood&) {
            if (p.find('%') == std::string::npos || p.find_first_of("[]\\") != std::string::npos) throw;
        }
        TColumnCondition c = on(left.text);
        c.Shape = p;
        return condition(std::move(c));
    }

    // x NOT GLOB '*[^a-z0-9-]*': no character outside the set, so letters (or digits) of it.
    Node onlyOf(const Node& left) {
        next();
        const std::string p = patternOf(left);
        if (p.size() < 5 || p.compare(0, 3, "*[^") != 0 || p.compare(p.size() - 2, 2, "]*") != 0)
            throw NotUnderstood{};
        const std::string set = p.substr(3, p.size() - 5);
        TColumnCondition c = on(left.text);
        for (const auto& [range, code] : {std::pair{"a-z", 'a'}, {"A-Z", 'A'}, {"0-9", 'N'}})
            if (set.find(range) != std::string::npos) {
                c.Mask = std::string(8, code);
                return condition(std::move(c));
            }
        throw NotUnderstood{};
    }

    // x ~ '^[A-Z]{3}-\d{4}$' (and ~* without regard to case): a mask of the pattern's elements.
    Node regex(const Node& left) {
        next();
        accept("*");
        const std::string p = patternOf(left);
        while (accept("::"))
            typeName();
        return patterned(left, p, "", RegexMask);
    }

    Node similar(const Node& left) {
        next();
        expect("TO");
        return patterned(left, patternOf(left), "", SimilarMask);
    }

    // x STARTING WITH 'abc', as LIKE 'abc%'
    Node startingWith(const Node& left) {
        next();
        expect("WITH");
        TColumnCondition c = on(left.text);
        c.Prefix = patternOf(left);
        if (c.Prefix.empty()) throw NotUnderstood{};
        return condition(std::move(c));
    }

    Node glob(const Node& left) {
        next();
        return patterned(left, patternOf(left), "*?[", GlobMask);
    }

    // The text after a pattern's operator, which a column is compared with.
    std::string patternOf(const Node& left) {
        const Token& pattern = next();
        if (left.kind != Node::Column || pattern.Kind != TokenKind::Text) throw NotUnderstood{};
        return pattern.Text;
    }

    // Literal text and, at its end only, the wildcard of any length (the first of wildcards) is a
    // prefix; any other pattern is the mask of its values.
    static Node patterned(const Node& left, const std::string& p, const char* wildcards,
                          std::optional<std::string> (*mask)(const std::string&)) {
        TColumnCondition c = on(left.text);
        if (*wildcards && p.size() >= 2 && p.back() == *wildcards &&
            p.find_first_of(wildcards) == p.size() - 1)
            c.Prefix = p.substr(0, p.size() - 1);
        else
            c.Mask = maskOf(mask(p));
        return condition(std::move(c));
    }

    Node between(const Node& left) {
        next();
        Node low = value();
        expect("AND");
        Node high = value();
        if (left.kind == Node::Length) {
            TColumnCondition c = on(left.text);
            c.MinLength = wholeNumber(low);
            c.MaxLength = wholeNumber(high);
            return condition(std::move(c));
        }
        if (left.kind != Node::Column) throw NotUnderstood{};
        TColumnCondition c = on(left.text);
        c.Low = TCheckBound{literal(low), true};
        c.High = TCheckBound{literal(high), true};
        return condition(std::move(c));
    }

    // Below the low end or above the high one: two ranges with the gap between them.
    Node notBetween(const Node& left) {
        next();
        Node low = value();
        expect("AND");
        Node high = value();
        if (left.kind != Node::Column) throw NotUnderstood{};
        TColumnCondition c = on(left.text);
        setRanges(c, united({{std::nullopt, TCheckBound{literal(low), false}},
                             {TCheckBound{literal(high), false}, std::nullopt}}));
        return condition(std::move(c));
    }

    Node comparison(Node left) {
        std::string op = next().Text;
        if ((op == "=" || op == "==") && accept("ANY")) return anyOf(left, false);
        if (isUnequal(op) && accept("ALL")) return anyOf(left, true);
        Node right = value();
        if (left.kind == Node::Literal) {
            std::swap(left, right);
            op = mirrored(op);
        }
        if (left.kind == Node::Length) return condition(lengthCondition(left.text, op, wholeNumber(right)));
        if (left.kind == Node::Trim) return notBlank(left, op, right);
        if (left.kind == Node::Condition) return isTrue(std::move(left), op, right);
        if (left.kind == Node::Lower || left.kind == Node::Upper) std::swap(left, right);
        if (left.kind != Node::Column) throw NotUnderstood{};
        if (right.kind == Node::Lower || right.kind == Node::Upper) return cased(left, op, right);
        if (right.kind == Node::Column) {
            Node n;
            if (isUnequal(op))
                n.apart.push_back({left.text, right.text});
            else
                n.orders.push_back(order(left.text, op, right.text));
            return n;
        }
        return condition(valueCondition(left.text, op, literal(right)));
    }

    // json_valid(x) = 1, <> 0 or > 0 say what json_valid(x) alone says.
    static Node isTrue(Node test, const std::string& op, const Node& right) {
        if (right.kind != Node::Literal) throw NotUnderstood{};
        const bool one = right.text == "1" && (op == "=" || op == "==");
        const bool notZero = right.text == "0" && (isUnequal(op) || op == ">");
        if (!one && !notZero) throw NotUnderstood{};
        return test;
    }

    // x = lower(x): the text's letters are all in one case.
    static Node cased(const Node& left, const std::string& op, const Node& right) {
        if ((op != "=" && op != "==") || upper(left.text) != upper(right.text)) throw NotUnderstood{};
        TColumnCondition c = on(left.text);
        c.Case = right.kind == Node::Lower ? TTextCase::Lower : TTextCase::Upper;
        return condition(std::move(c));
    }

    // trim(x) <> '': a value with a character other than a space.
    static Node notBlank(const Node& left, const std::string& op, const Node& right) {
        if (!isUnequal(op) || right.kind != Node::Literal || !right.text.empty()) throw NotUnderstood{};
        TColumnCondition c = on(left.text);
        c.MinLength = 1;
        return condition(std::move(c));
    }

    // "= ANY (ARRAY[...])" is a list, "<> ALL (ARRAY[...])" the values left out.
    Node anyOf(const Node& left, bool negated) {
        if (left.kind != Node::Column) throw NotUnderstood{};
        expect("(");
        Node array = value();
        expect(")");
        if (array.kind != Node::Array) throw NotUnderstood{};
        TColumnCondition c = on(left.text);
        (negated ? c.Excluded : c.Values) = array.items;
        return condition(std::move(c));
    }

    static std::string literal(const Node& n) {
        if (n.kind != Node::Literal) throw NotUnderstood{};
        return n.text;
    }

    // A value and the casts after it, which change nothing of what is allowed.
    Node value() {
        Depth guard(depth_);
        Node n = primary();
        while (accept("::"))
            typeName();
        return n;
    }

    void typeName() {
        if (peek().Kind != TokenKind::Word && peek().Kind != TokenKind::Quoted) throw NotUnderstood{};
        while (peek().Kind == TokenKind::Word || peek().Kind == TokenKind::Quoted) {
            // words of the type's name; a keyword ends it
            static const std::set<std::string> stop = {"AND", "OR",  "IN",   "BETWEEN", "IS",
                                                       "NOT", "ANY", "LIKE", "ESCAPE"};
            if (peek().Kind == TokenKind::Word && stop.count(peek().Text)) break;
            next();
        }
        if (accept("(")) {
            while (peek().Kind != TokenKind::End && !accept(")"))
                next();
        }
        while (accept("[")) {
            // an array type's brackets read as a quoted name: "text[]" gives the type word, then "[]"
            expect("]");
        }
        if (peek().Kind == TokenKind::Quoted && peek().Text.empty()) next();
    }

    Node primary() {
        const Token& t = next();
        switch (t.Kind) {
        case TokenKind::Text:
            return {Node::Literal, t.Text, {}, {}, {}, {}};
        case TokenKind::Number:
            return {Node::Literal, t.Text, {}, {}, {}, {}};
        case TokenKind::Quoted:
            return column(t.Raw);
        case TokenKind::Word:
            return word(t);
        case TokenKind::Symbol:
            return symbol(t);
        case TokenKind::End:
            break;
        }
        throw NotUnderstood{};
    }

    Node symbol(const Token& t) {
        if (t.Text == "(") {
            Node inner = orExpression();
            expect(")");
            return inner;
        }
        if (t.Text == "-" || t.Text == "+") {
            Node n = value();
            if (n.kind != Node::Literal || n.text.empty() || n.text[0] == '-' ||
                !std::isdigit(static_cast<unsigned char>(n.text[0])))
                throw NotUnderstood{};
            if (t.Text == "-") n.text = "-" + n.text;
            return n;
        }
        throw NotUnderstood{};
    }

    // Lengths of a column, of its trimmed text too (a random text has no spaces to trim), and a
    // column's trimmed text.
    Node word(const Token& t) {
        static const std::set<std::string> lengths = {"LENGTH", "CHAR_LENGTH", "CHARACTER_LENGTH", "LEN"};
        static const std::set<std::string> trims = {"TRIM", "BTRIM", "LTRIM", "RTRIM"};
        static const std::set<std::string> reserved = {"AND",    "OR",   "NOT",   "IN",   "BETWEEN",
                                                       "IS",     "ANY",  "ALL",   "NULL", "LIKE",
                                                       "SELECT", "CASE", "ESCAPE"};
        if (t.Text == "ARRAY") return array();
        if (t.Text == "CAST") return cast();
        if (reserved.count(t.Text)) throw NotUnderstood{};
        if (peek().Kind == TokenKind::Symbol && peek().Text == "(" && t.Text == "JSON_VALID")
            return jsonValid();
        if (peek().Kind == TokenKind::Symbol && peek().Text == "(" &&
            (t.Text == "LOWER" || t.Text == "UPPER"))
            return caseOf(t.Text == "LOWER" ? Node::Lower : Node::Upper);
        if (peek().Kind == TokenKind::Symbol && peek().Text == "(") {
            const bool isLength = lengths.count(t.Text) > 0;
            if (!isLength && !trims.count(t.Text)) throw NotUnderstood{};
            next();
            // TRIM(BOTH FROM x), as one server writes it back
            if (!isLength && (accept("BOTH") || accept("LEADING") || accept("TRAILING"))) expect("FROM");
            Node inner = value();
            expect(")");
            if (inner.kind != Node::Column && !(isLength && inner.kind == Node::Trim)) throw NotUnderstood{};
            return {isLength ? Node::Length : Node::Trim, inner.text, {}, {}, {}, {}};
        }
        return column(t.Raw);
    }

    Node jsonValid() {
        expect("(");
        Node inner = value();
        expect(")");
        if (inner.kind != Node::Column) throw NotUnderstood{};
        TColumnCondition c = on(inner.text);
        c.Json = true;
        // SQLite's json_valid(NULL) is 0, not NULL: the check turns a NULL away there
        c.NotNull = true;
        return condition(std::move(c));
    }

    Node caseOf(Node::Kind kind) {
        expect("(");
        Node inner = value();
        expect(")");
        if (inner.kind != Node::Column) throw NotUnderstood{};
        return {kind, inner.text, {}, {}, {}, {}};
    }

    // A name qualified by its table keeps only the column's part.
    Node column(std::string name) {
        while (accept(".")) {
            const Token& part = next();
            if (part.Kind != TokenKind::Word && part.Kind != TokenKind::Quoted) throw NotUnderstood{};
            name = part.Raw;
        }
        if (name.empty()) throw NotUnderstood{};
        return {Node::Column, name, {}, {}, {}, {}};
    }

    Node array() {
        expect("[");
        Node n{Node::Array, {}, {}, {}, {}, {}};
        do {
            n.items.push_back(literal(value()));
        } while (accept(","));
        expect("]");
        return n;
    }

    Node cast() {
        expect("(");
        Node inner = value();
        expect("AS");
        typeName();
        expect(")");
        return inner;
    }

    std::vector<Token> tokens_;
    size_t pos_ = 0;
    int depth_ = 0;
};

} // namespace

TCheckReading ReadCheck(const std::string& condition) {
    TCheckReading reading;
    try {
        reading = Parser(tokenize(condition)).Read();
    } catch (const NotUnderstood&) {
        reading = {};
    }
    return reading;
}
