#!/usr/bin/env python3
"""Writes src/primitives/des_sbox_circuits.h: the eight DES S-boxes as Boolean circuits.

The bitsliced Triple-DES engine holds one bit of many blocks per register lane, so an S-box cannot
be a table look-up: each of its four output bits must be computed from the six input bits with
logic operations that act on all lanes at once. This script derives those circuits from the S-box
tables of FIPS 46-3.

Every gate is a three-input Boolean function given by its 8-bit truth table, which is exactly what
one ternary-logic instruction computes. An output bit, a function of six inputs, is built
recursively: a function of at most three inputs is one gate; a function of four inputs that one
gate of three inputs followed by one gate of its result and two inputs computes is those two gates
(about half of all four-input functions are); anything else is split by Shannon expansion on the
input that makes the cheapest pair of parts (the two cofactors, or one cofactor and their
difference), one gate joining them. Nodes are shared by the function they compute, so a piece that
two output bits (or two branches) need is built once; a gate reads the complement of a node for
free, and constants are folded into the gate that reads them. For each S-box the script tries every
order of the output bits, several times with ties between equally cheap splits broken at random
(from fixed seeds, so that a run gives the same circuits), and keeps the smallest circuit.

For processors without a ternary-logic instruction the header also spells each gate the circuits
use in two-input operations (and, or, xor, and-not, with an all-ones constant for negation), the
shortest such expression found by a search over all three-input functions.

Run from the repository root (it takes a few minutes):
    scripts/generate-des-sbox-circuits.py > src/primitives/des_sbox_circuits.h
"""

import itertools
from random import Random

# FIPS 46-3, the S-box tables S1..S8: row from the first and last input bits, column from the
# middle four.
SBOXES = [
    [[14, 4, 13, 1, 2, 15, 11, 8, 3, 10, 6, 12, 5, 9, 0, 7],
     [0, 15, 7, 4, 14, 2, 13, 1, 10, 6, 12, 11, 9, 5, 3, 8],
     [4, 1, 14, 8, 13, 6, 2, 11, 15, 12, 9, 7, 3, 10, 5, 0],
     [15, 12, 8, 2, 4, 9, 1, 7, 5, 11, 3, 14, 10, 0, 6, 13]],
    [[15, 1, 8, 14, 6, 11, 3, 4, 9, 7, 2, 13, 12, 0, 5, 10],
     [3, 13, 4, 7, 15, 2, 8, 14, 12, 0, 1, 10, 6, 9, 11, 5],
     [0, 14, 7, 11, 10, 4, 13, 1, 5, 8, 12, 6, 9, 3, 2, 15],
     [13, 8, 10, 1, 3, 15, 4, 2, 11, 6, 7, 12, 0, 5, 14, 9]],
    [[10, 0, 9, 14, 6, 3, 15, 5, 1, 13, 12, 7, 11, 4, 2, 8],
     [13, 7, 0, 9, 3, 4, 6, 10, 2, 8, 5, 14, 12, 11, 15, 1],
     [13, 6, 4, 9, 8, 15, 3, 0, 11, 1, 2, 12, 5, 10, 14, 7],
     [1, 10, 13, 0, 6, 9, 8, 7, 4, 15, 14, 3, 11, 5, 2, 12]],
    [[7, 13, 14, 3, 0, 6, 9, 10, 1, 2, 8, 5, 11, 12, 4, 15],
     [13, 8, 11, 5, 6, 15, 0, 3, 4, 7, 2, 12, 1, 10, 14, 9],
     [10, 6, 9, 0, 12, 11, 7, 13, 15, 1, 3, 14, 5, 2, 8, 4],
     [3, 15, 0, 6, 10, 1, 13, 8, 9, 4, 5, 11, 12, 7, 2, 14]],
    [[2, 12, 4, 1, 7, 10, 11, 6, 8, 5, 3, 15, 13, 0, 14, 9],
     [14, 11, 2, 12, 4, 7, 13, 1, 5, 0, 15, 10, 3, 9, 8, 6],
     [4, 2, 1, 11, 10, 13, 7, 8, 15, 9, 12, 5, 6, 3, 0, 14],
     [11, 8, 12, 7, 1, 14, 2, 13, 6, 15, 0, 9, 10, 4, 5, 3]],
    [[12, 1, 10, 15, 9, 2, 6, 8, 0, 13, 3, 4, 14, 7, 5, 11],
     [10, 15, 4, 2, 7, 12, 9, 5, 6, 1, 13, 14, 0, 11, 3, 8],
     [9, 14, 15, 5, 2, 8, 12, 3, 7, 0, 4, 10, 1, 13, 11, 6],
     [4, 3, 2, 12, 9, 5, 15, 10, 11, 14, 1, 7, 6, 0, 8, 13]],
    [[4, 11, 2, 14, 15, 0, 8, 13, 3, 12, 9, 7, 5, 10, 6, 1],
     [13, 0, 11, 7, 4, 9, 1, 10, 14, 3, 5, 12, 2, 15, 8, 6],
     [1, 4, 11, 13, 12, 3, 7, 14, 10, 15, 6, 8, 0, 5, 9, 2],
     [6, 11, 13, 8, 1, 4, 10, 7, 9, 5, 0, 15, 14, 2, 3, 12]],
    [[13, 2, 8, 4, 6, 15, 11, 1, 10, 9, 3, 14, 5, 0, 12, 7],
     [1, 15, 13, 8, 10, 3, 7, 4, 12, 5, 6, 11, 0, 14, 9, 2],
     [7, 11, 4, 1, 9, 12, 14, 2, 0, 6, 10, 13, 15, 3, 5, 8],
     [2, 1, 14, 7, 4, 10, 8, 13, 15, 12, 9, 0, 3, 5, 6, 11]],
]

INPUTS = 6
ALL = (1 << 64) - 1  # truth tables over the 64 inputs: bit x is the value for input x


def input_table(i: int) -> int:
    """Input bit i (0 = the S-box's first input bit, the most significant of x)."""
    return sum(1 << x for x in range(64) if (x >> (INPUTS - 1 - i)) & 1)


INPUT_TABLES = [input_table(i) for i in range(INPUTS)]


def output_table(box: int, bit: int) -> int:
    """Output bit `bit` (0 = most significant) of S-box `box` as a truth table over x."""
    table = 0
    for x in range(64):
        row = ((x >> 4) & 2) | (x & 1)
        column = (x >> 1) & 15
        if (SBOXES[box][row][column] >> (3 - bit)) & 1:
            table |= 1 << x
    return table


def apply_gate(truth: int, a: int, b: int, c: int) -> int:
    """The gate with 8-bit truth table `truth` (bit 4a+2b+c) applied to three truth tables."""
    result = 0
    for k in range(8):
        if (truth >> k) & 1:
            term = ALL
            for value, operand in ((k >> 2) & 1, a), ((k >> 1) & 1, b), (k & 1, c):
                term &= operand if value else ~operand & ALL
            result |= term
    return result


def cofactor(table: int, variable: int, value: int) -> int:
    """table with input `variable` fixed to value, as a function that ignores that input."""
    mask = INPUT_TABLES[variable]
    half = table & mask if value else table & ~mask & ALL
    shift = 1 << (INPUTS - 1 - variable)
    return half | (half >> shift) if value else half | (half << shift)


class Circuit:
    """Gates of one S-box, each node named by the truth table it computes."""

    def __init__(self, random=None):
        self.random = random or Random(0)
        self.known = {table: ("input", i) for i, table in enumerate(INPUT_TABLES)}
        self.known[0] = ("constant", 0)
        self.known[ALL] = ("constant", 1)
        self.gates = []  # (table, truth, operand tables), in order of construction

    def copy(self):
        other = Circuit(self.random)
        other.known = dict(self.known)
        other.gates = list(self.gates)
        return other

    def gate(self, function, operands):
        """A node for function (of three bits) of the operand tables, constants folded in.

        An operand whose complement is built, but not itself, is read as the complement with the
        gate's truth table adjusted: a gate negates its inputs for free.
        """
        inverted = [t not in (0, ALL) and t not in self.known and (t ^ ALL) in self.known
                    for t in operands]
        operands = tuple(t ^ ALL if flip else t for t, flip in zip(operands, inverted))
        plain_function = function

        def function(*values):
            return plain_function(*(v ^ flip for v, flip in zip(values, inverted)))

        real = [t for t in operands if t not in (0, ALL)]
        if not real:
            return ALL if function(*(1 if t == ALL else 0 for t in operands)) else 0
        # A constant's slot repeats a real operand; the gate ignores that slot.
        slots = tuple(t if t not in (0, ALL) else real[0] for t in operands)
        truth = 0
        for k in range(8):
            bits = [(k >> (2 - i)) & 1 for i in range(3)]
            if any(slots[i] == slots[j] and bits[i] != bits[j]
                   for i in range(3) for j in range(3) if operands[i] == slots[i] == operands[j]):
                continue  # the same operand twice with two values: never happens
            values = [1 if t == ALL else 0 if t == 0 else bits[i] for i, t in enumerate(operands)]
            truth |= function(*values) << k
        table = apply_gate(truth, *slots)
        expected = 0
        for x in range(64):
            expected |= function(*((t >> x) & 1 for t in operands)) << x
        assert table == expected
        if table in (0, ALL) or table in INPUT_TABLES:
            return table
        if not self.available(table):
            self.known[table] = ("gate", len(self.gates))
            self.gates.append((table, truth, slots))
        return table

    def available(self, table):
        """Built, or its complement built (which a reading gate negates for free)."""
        return table in self.known or (table ^ ALL) in self.known

    def exact(self, table):
        """table itself, not its complement: for an output, which no gate reads."""
        if table not in self.known:
            complement = table ^ ALL
            self.known[table] = ("gate", len(self.gates))
            self.gates.append((table, 0x0F, (complement, complement, complement)))
        return table

    def leaf(self, table, variables):
        """A function of at most three inputs: one gate over them."""
        variables = list(variables) + [variables[0]] * (3 - len(variables))
        operands = tuple(INPUT_TABLES[i] for i in variables)
        return self.gate(lambda a, b, c: evaluate_on(table, variables, (a, b, c)), operands)

    def cost(self, table, memo):
        """Gates still needed for table by the choices build makes (shared nodes counted apart)."""
        if self.available(table):
            return 0
        if table in memo:
            return memo[table][0]
        variables = support(table)
        if len(variables) <= 3:
            choice = (1, ("leaf", variables))
        else:
            choice = None
            pair = PAIRS.get(project(table, variables)) if len(variables) == 4 else None
            if pair is not None:
                inner = pair_inner_table(pair, variables)
                choice = (1 + (0 if self.available(inner) else 1), ("pair", variables, pair))
            for variable in variables:
                low = cofactor(table, variable, 0)
                high = cofactor(table, variable, 1)
                for form, (first, second) in EXPANSIONS.items():
                    parts = (first(low, high), second(low, high))
                    if parts[1] == parts[0] ^ ALL or parts[1] == parts[0]:
                        total = 1 + self.cost(parts[0], memo)
                    else:
                        total = 1 + self.cost(parts[0], memo) + self.cost(parts[1], memo)
                    if (choice is None or total < choice[0]
                            or (total == choice[0] and self.random.random() < 0.5)):
                        choice = (total, ("split", variable, form))
        memo[table] = choice
        return choice[0]

    def build(self, table, memo=None):
        """table from gates, by the cheapest of: one gate, a pair of gates, a split on one input."""
        memo = {} if memo is None else memo
        if self.available(table):
            return table
        self.cost(table, memo)
        how = memo[table][1]
        if how[0] == "leaf":
            return self.leaf(table, how[1])
        if how[0] == "pair":
            _, variables, (inner_truth, inner_vars, outer_truth, outer_vars) = how
            inner = self.gate(lambda a, b, c: (inner_truth >> (4 * a + 2 * b + c)) & 1,
                              tuple(INPUT_TABLES[variables[i]] for i in inner_vars))
            operands = (inner,) + tuple(INPUT_TABLES[variables[i]] for i in outer_vars)
            result = self.gate(lambda a, b, c: (outer_truth >> (4 * a + 2 * b + c)) & 1, operands)
            assert result == table
            return result
        _, variable, form = how
        low = cofactor(table, variable, 0)
        high = cofactor(table, variable, 1)
        select = INPUT_TABLES[variable]
        first, second = EXPANSIONS[form]
        combine = COMBINE[form]
        a = self.build(first(low, high), memo)
        b_table = second(low, high)
        if b_table in (a, a ^ ALL):
            # The second part is the first or its complement: one operand, read once.
            flip = 0 if b_table == a else 1
            result = self.gate(lambda s, x, _: combine(s, x, x ^ flip), (select, a, a))
        else:
            b = self.build(b_table, memo)
            result = self.gate(lambda s, x, y: combine(s, x, y), (select, a, b))
        assert result == table
        return result


def support(table):
    return [i for i in range(INPUTS) if cofactor(table, i, 0) != cofactor(table, i, 1)]


def input_of(variables, bits):
    """An input x where the given variables take the given bits (the others zero)."""
    return sum(bit << (INPUTS - 1 - v) for v, bit in zip(variables, bits))


def evaluate_on(table, variables, bits):
    """table (which depends only on variables) where they take bits."""
    values = {}
    for v, bit in zip(variables, bits):
        if values.setdefault(v, bit) != bit:
            return 0  # the same input with two values: a slot the gate never sees
    return (table >> input_of(list(values), list(values.values()))) & 1


def project(table, variables):
    """table, which depends only on variables, as a truth table over them (first most significant)."""
    k = len(variables)
    return sum(((table >> input_of(variables, [(i >> (k - 1 - j)) & 1 for j in range(k)])) & 1) << i
               for i in range(1 << k))


def pair_inner_table(pair, variables):
    inner_truth, inner_vars, _, _ = pair
    return apply_gate(inner_truth, *(INPUT_TABLES[variables[i]] for i in inner_vars))


def two_gate_functions():
    """Four-input functions that two gates compute: outer(inner(three inputs), two inputs).

    Keyed by the 16-bit truth table over inputs 0..3 (input 0 most significant); the value is
    (inner truth, inner inputs, outer truth, outer inputs).
    """
    mask = 0xFFFF
    tables = [0xFF00, 0xF0F0, 0xCCCC, 0xAAAA]

    def minterms(a, b, c):
        return [(a if k & 4 else ~a & mask) & (b if k & 2 else ~b & mask) & (c if k & 1 else ~c & mask)
                for k in range(8)]

    inners = {}
    for triple in itertools.combinations(range(4), 3):
        terms = minterms(*(tables[i] for i in triple))
        for truth in range(256):
            table = 0
            for k in range(8):
                if (truth >> k) & 1:
                    table |= terms[k]
            inners.setdefault(table, (truth, triple))
    pairs = {}
    for table, (inner_truth, triple) in inners.items():
        for outer in itertools.combinations(range(4), 2):
            terms = minterms(table, tables[outer[0]], tables[outer[1]])
            for truth in range(256):
                result = 0
                for k in range(8):
                    if (truth >> k) & 1:
                        result |= terms[k]
                pairs.setdefault(result, (inner_truth, triple, truth, outer))
    return pairs


PAIRS = {}
# The ways to split a function on one input s into two parts, each a function of the other
# inputs, and the gate that joins them again: Shannon (the two cofactors, joined by a
# multiplexer), and the positive and negative Davio expansions (one cofactor and the difference of
# the two, joined by and-xor).
EXPANSIONS = {
    "shannon": (lambda low, high: low, lambda low, high: high),
    "positive-davio": (lambda low, high: low, lambda low, high: low ^ high),
    "negative-davio": (lambda low, high: high, lambda low, high: low ^ high),
}
COMBINE = {
    "shannon": lambda s, low, high: high if s else low,
    "positive-davio": lambda s, low, difference: low ^ (s & difference),
    "negative-davio": lambda s, high, difference: high ^ ((1 - s) & difference),
}
# Circuits tried per order of the output bits, each breaking ties between equally cheap splits at
# random.
TRIALS = 10


def best_circuit(box: int):
    """The smallest circuit found for the four outputs of one S-box, and the output tables."""
    outputs = [output_table(box, bit) for bit in range(4)]
    best = None
    random = Random(box)  # fixed seeds: the same circuits on every run
    for output_order in itertools.permutations(range(4)):
        for _ in range(TRIALS):
            circuit = Circuit(random)
            for bit in output_order:
                circuit.build(outputs[bit])
            for table in outputs:
                circuit.exact(table)
            if best is None or len(circuit.gates) < len(best.gates):
                best = circuit
    return best, outputs


# Two-input operations for processors without ternary logic. Truth tables of the three operands
# over the gate's index 4a+2b+c.
A, B, C = 0xF0, 0xCC, 0xAA


def gate_expressions():
    """The shortest expression (as a tree) for each three-input function from two-input ops."""
    best = {A: (0, "a"), B: (0, "b"), C: (0, "c"), 0xFF: (0, "G::Ones()"), 0x00: (0, "G::Zero()")}
    operations = [
        (lambda x, y: x & y, "G::And({}, {})"),
        (lambda x, y: x | y, "G::Or({}, {})"),
        (lambda x, y: x ^ y, "G::Xor({}, {})"),
        (lambda x, y: ~x & y & 0xFF, "G::AndNot({}, {})"),  # (not x) and y
    ]
    changed = True
    while changed:
        changed = False
        items = list(best.items())
        for (f, (cost_f, text_f)), (g, (cost_g, text_g)) in itertools.product(items, items):
            for operation, form in operations:
                h = operation(f, g)
                cost = cost_f + cost_g + 1
                if h not in best or cost < best[h][0]:
                    best[h] = (cost, form.format(text_f, text_g))
                    changed = True
    assert len(best) == 256
    return best


def operand_name(table, circuit, box):
    kind, index = circuit.known[table]
    if kind == "input":
        return f"x{index + 1}"
    if kind == "gate":
        return f"t{index}"
    raise AssertionError("constants are folded into gates")


def permute_gate(truth, operands, order):
    """The same gate with its operands in `order` (indices into operands)."""
    permuted = 0
    for k in range(8):
        new_bits = [(k >> (2 - i)) & 1 for i in range(3)]
        old_bits = [0, 0, 0]
        for i, source in enumerate(order):
            old_bits[source] = new_bits[i]
        if len(set(operands)) < 3 and any(
                operands[i] == operands[j] and old_bits[i] != old_bits[j]
                for i in range(3) for j in range(3)):
            continue  # an operand repeated with two values: never happens
        old_index = (old_bits[0] << 2) | (old_bits[1] << 1) | old_bits[2]
        permuted |= ((truth >> old_index) & 1) << k
    return permuted, tuple(operands[i] for i in order)


def dying_operand_first(circuit, index, truth, operands, outputs):
    """Puts first an operand that no later gate reads and that is not an output.

    A ternary-logic instruction overwrites its first operand; when that operand is still needed,
    the compiler must copy it first.
    """
    later = set()
    for _, _, reads in circuit.gates[index + 1:]:
        later.update(reads)
    later.update(outputs)
    for position, operand in enumerate(operands):
        if operand not in later and operands.count(operand) == 1:
            order = [position] + [i for i in range(3) if i != position]
            permuted, reordered = permute_gate(truth, operands, order)
            assert apply_gate(permuted, *reordered) == apply_gate(truth, *operands)
            return permuted, reordered
    return truth, operands


def main() -> None:
    PAIRS.update(two_gate_functions())
    circuits = [best_circuit(box) for box in range(8)]
    emitted = [[dying_operand_first(circuit, index, truth, operands, outputs)
                for index, (_, truth, operands) in enumerate(circuit.gates)]
               for circuit, outputs in circuits]
    used = sorted({truth for gates in emitted for truth, _ in gates})
    expressions = gate_expressions()

    out = []
    emit = out.append
    emit("// Generated by scripts/generate-des-sbox-circuits.py from the S-box tables of FIPS 46-3;")
    emit("// do not edit. Each S-box of DES as a circuit of three-input gates, for the bitsliced")
    emit("// Triple-DES engine, which holds one bit of many blocks per register lane.")
    emit("//")
    emit("// A gate is a three-input Boolean function given by its truth table (bit 4a+2b+c is the")
    emit("// value for inputs a, b, c): one ternary-logic instruction where the processor has it,")
    emit("// TernaryFromGates where it does not. Gates per S-box:")
    emit("// " + ", ".join(f"S{box + 1} {len(c.gates)}" for box, (c, _) in enumerate(circuits)) + ".")
    emit("#pragma once")
    emit("")
    emit("#include <cstdint>")
    emit("")
    emit("namespace ostrel::des_sbox_circuits {")
    emit("")
    emit("// The gates the circuits use, from two-input operations. G supplies And, Or, Xor,")
    emit("// AndNot(x, y) = (not x) and y, Zero and Ones over the vector type V.")
    emit("template <uint8_t kTruth, class G, class V>")
    emit("inline V TernaryFromGates(V a, V b, V c) {")
    emit("  static_cast<void>(a);")
    emit("  static_cast<void>(b);")
    emit("  static_cast<void>(c);")
    for n, truth in enumerate(used):
        keyword = "if constexpr" if n == 0 else "} else if constexpr"
        emit(f"  {keyword} (kTruth == 0x{truth:02X}) {{")
        emit(f"    return {expressions[truth][1]};")
    emit("  } else {")
    emit("    static_assert(kTruth != kTruth, \"a gate the circuits do not use\");")
    emit("  }")
    emit("}")
    emit("")
    emit("// S-box n maps x1..x6 (x1 the first input bit) to y1..y4 (y1 the most significant output")
    emit("// bit). T supplies template <uint8_t kTruth> V Ternary(V a, V b, V c).")
    for box, (circuit, outputs) in enumerate(circuits):
        emit("template <class T, class V>")
        emit(f"inline void SBox{box + 1}(V x1, V x2, V x3, V x4, V x5, V x6, V& y1, V& y2, V& y3, "
             "V& y4) {")
        for index, (truth, operands) in enumerate(emitted[box]):
            names = ", ".join(operand_name(t, circuit, box) for t in operands)
            emit(f"  const V t{index} = T::template Ternary<0x{truth:02X}>({names});")
        for bit, table in enumerate(outputs):
            emit(f"  y{bit + 1} = {operand_name(table, circuit, box)};")
        unused = [f"x{i + 1}" for i in range(INPUTS)
                  if not any(INPUT_TABLES[i] in ops for _, _, ops in circuit.gates)]
        for name in unused:
            emit(f"  static_cast<void>({name});")
        emit("}")
        emit("")
    emit("// S-box kBox (0 to 7) by number, for code that walks the eight in a loop.")
    emit("template <int kBox, class T, class V>")
    emit("inline void SBox(V x1, V x2, V x3, V x4, V x5, V x6, V& y1, V& y2, V& y3, V& y4) {")
    for box in range(8):
        keyword = "if constexpr" if box == 0 else "} else if constexpr"
        emit(f"  {keyword} (kBox == {box}) {{")
        emit(f"    SBox{box + 1}<T>(x1, x2, x3, x4, x5, x6, y1, y2, y3, y4);")
    emit("  }")
    emit("}")
    emit("")
    emit("}  // namespace ostrel::des_sbox_circuits")
    print("\n".join(out))


if __name__ == "__main__":
    main()
