#include "uCheckReader.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <set>

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
            static const char* const pairs[] = {"<=", ">=", "<>", "!=", "::", "=="};
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
    enum Kind { Column, Literal, Length, Array, Condition } kind = Condition;
    std::string text; // the column's name, or the literal
    std::vector<std::string> items;
    std::vector<TColumnCondition> conditions;
};

bool isComparison(const std::string& op) {
    return op == "=" || op == "==" || op == "<" || op == "<=" || op == ">" || op == ">=";
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

TColumnCondition lengthCondition(const std::string& column, const std::string& op, int64_t n) {
    TColumnCondition c{column, {}, {}, {}, {}, {}};
    if (op == "=" || op == "==" || op == ">=") c.MinLength = n;
    if (op == "=" || op == "==" || op == "<=") c.MaxLength = n;
    if (op == ">") c.MinLength = n == INT64_MAX ? n : n + 1;
    if (op == "<") c.MaxLength = n == INT64_MIN ? n : n - 1;
    return c;
}

TColumnCondition valueCondition(const std::string& column, const std::string& op, const std::string& v) {
    TColumnCondition c{column, {}, {}, {}, {}, {}};
    if (op == "=" || op == "==") c.Values.push_back(v);
    if (op == ">" || op == ">=") c.Low = TCheckBound{v, op == ">="};
    if (op == "<" || op == "<=") c.High = TCheckBound{v, op == "<="};
    return c;
}

Node condition(TColumnCondition c) {
    Node n;
    n.conditions.push_back(std::move(c));
    return n;
}

class Parser {
public:
    explicit Parser(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

    std::vector<TColumnCondition> Read() {
        Node n = orExpression();
        if (peek().Kind != TokenKind::End || n.kind != Node::Condition) throw NotUnderstood{};
        return n.conditions;
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

    // Equalities of one column joined by OR make a list; anything else joined by OR does not.
    Node orExpression() {
        Depth guard(depth_);
        Node first = andExpression();
        if (peek().Text != "OR" || peek().Kind != TokenKind::Word) return first;
        TColumnCondition list = asList(first);
        while (accept("OR")) {
            TColumnCondition more = asList(andExpression());
            if (upper(more.Column) != upper(list.Column)) throw NotUnderstood{};
            list.Values.insert(list.Values.end(), more.Values.begin(), more.Values.end());
        }
        return condition(std::move(list));
    }

    static TColumnCondition asList(const Node& n) {
        if (n.kind != Node::Condition || n.conditions.size() != 1) throw NotUnderstood{};
        const TColumnCondition& c = n.conditions[0];
        if (c.Values.empty() || c.Low || c.High || c.MinLength || c.MaxLength) throw NotUnderstood{};
        return c;
    }

    Node andExpression() {
        Node first = predicate();
        if (peek().Text != "AND" || peek().Kind != TokenKind::Word) return first;
        if (first.kind != Node::Condition) throw NotUnderstood{};
        while (accept("AND")) {
            Node more = predicate();
            if (more.kind != Node::Condition) throw NotUnderstood{};
            first.conditions.insert(first.conditions.end(), more.conditions.begin(), more.conditions.end());
        }
        return first;
    }

    Node predicate() {
        Node left = value();
        const Token& t = peek();
        if (t.Kind == TokenKind::Word) {
            if (t.Text == "IS") return isNotNull(left);
            if (t.Text == "IN") return inList(left);
            if (t.Text == "BETWEEN") return between(left);
            if (t.Text == "NOT" || t.Text == "LIKE" || t.Text == "GLOB") throw NotUnderstood{};
        }
        if (t.Kind == TokenKind::Symbol && isComparison(t.Text)) return comparison(left);
        return left;
    }

    Node isNotNull(const Node& left) {
        next();
        if (!accept("NOT") || !accept("NULL") || left.kind != Node::Column) throw NotUnderstood{};
        return condition({left.text, {}, {}, {}, {}, {}});
    }

    Node inList(const Node& left) {
        next();
        if (left.kind != Node::Column) throw NotUnderstood{};
        expect("(");
        TColumnCondition c{left.text, {}, {}, {}, {}, {}};
        do {
            c.Values.push_back(literal(value()));
        } while (accept(","));
        expect(")");
        return condition(std::move(c));
    }

    Node between(const Node& left) {
        next();
        Node low = value();
        expect("AND");
        Node high = value();
        if (left.kind == Node::Length) {
            TColumnCondition c{left.text, {}, {}, {}, wholeNumber(low), wholeNumber(high)};
            return condition(std::move(c));
        }
        if (left.kind != Node::Column) throw NotUnderstood{};
        TColumnCondition c{left.text, {}, TCheckBound{literal(low), true}, TCheckBound{literal(high), true},
                           {},        {}};
        return condition(std::move(c));
    }

    Node comparison(Node left) {
        std::string op = next().Text;
        if ((op == "=" || op == "==") && accept("ANY")) return anyOf(left);
        Node right = value();
        if (left.kind == Node::Literal) {
            std::swap(left, right);
            op = mirrored(op);
        }
        if (left.kind == Node::Length) return condition(lengthCondition(left.text, op, wholeNumber(right)));
        if (left.kind != Node::Column) throw NotUnderstood{};
        return condition(valueCondition(left.text, op, literal(right)));
    }

    Node anyOf(const Node& left) {
        if (left.kind != Node::Column) throw NotUnderstood{};
        expect("(");
        Node array = value();
        expect(")");
        if (array.kind != Node::Array) throw NotUnderstood{};
        return condition({left.text, array.items, {}, {}, {}, {}});
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
            static const std::set<std::string> stop = {"AND", "OR", "IN", "BETWEEN", "IS", "NOT", "ANY"};
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
            return {Node::Literal, t.Text, {}, {}};
        case TokenKind::Number:
            return {Node::Literal, t.Text, {}, {}};
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

    Node word(const Token& t) {
        static const std::set<std::string> lengths = {"LENGTH", "CHAR_LENGTH", "CHARACTER_LENGTH", "LEN"};
        static const std::set<std::string> reserved = {"AND", "OR",  "NOT",  "IN",   "BETWEEN", "IS",
                                                       "ANY", "ALL", "NULL", "LIKE", "SELECT",  "CASE"};
        if (t.Text == "ARRAY") return array();
        if (t.Text == "CAST") return cast();
        if (reserved.count(t.Text)) throw NotUnderstood{};
        if (peek().Kind == TokenKind::Symbol && peek().Text == "(") {
            if (!lengths.count(t.Text)) throw NotUnderstood{};
            next();
            Node inner = value();
            expect(")");
            if (inner.kind != Node::Column) throw NotUnderstood{};
            return {Node::Length, inner.text, {}, {}};
        }
        return column(t.Raw);
    }

    // A name qualified by its table keeps only the column's part.
    Node column(std::string name) {
        while (accept(".")) {
            const Token& part = next();
            if (part.Kind != TokenKind::Word && part.Kind != TokenKind::Quoted) throw NotUnderstood{};
            name = part.Raw;
        }
        if (name.empty()) throw NotUnderstood{};
        return {Node::Column, name, {}, {}};
    }

    Node array() {
        expect("[");
        Node n{Node::Array, {}, {}, {}};
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
        reading.Conditions = Parser(tokenize(condition)).Read();
        reading.Understood = true;
    } catch (const NotUnderstood&) {
        reading.Conditions.clear();
    }
    return reading;
}
