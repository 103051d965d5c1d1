#!/usr/bin/env python3
"""Writes a valid snapshot whose 32,768 driver keys all share one hash under libstdc++'s std::hash for strings.

That hash (std::_Hash_bytes, seed 0xc70f6907) takes a key in 8-byte blocks: each block is mixed by a step that
can be inverted, XORed into the state, and the state is multiplied by an odd constant. For any first block a second
one can therefore be computed that brings the state to a chosen value; it is kept when all its bytes are printable
ASCII (about one try in 3,300; the tries are bounded). Two such 16-byte chunks at each of 15 places, chosen in every
way, give 2^15 keys of 240 bytes with one hash. Usage: make_colliding_snapshot.py OUT.json [PLACES]
"""
import json
import sys

MASK = (1 << 64) - 1
MUL = (0xC6A4A793 << 32) + 0x5BD1E995
SEED = 0xC70F6907
MUL_INVERSE = pow(MUL, -1, 1 << 64)
MAX_TRIES = 1 << 22
ALPHABET = bytes(b for b in range(0x20, 0x7F) if b not in b'"\\')


def shift_mix(n):
    return n ^ (n >> 47)


def mix_block(n):
    return (shift_mix((n * MUL) & MASK) * MUL) & MASK


def unmix_block(n):
    return (shift_mix((n * MUL_INVERSE) & MASK) * MUL_INVERSE) & MASK


def hash_bytes(data):
    state = SEED ^ ((len(data) * MUL) & MASK)
    for i in range(0, len(data) - len(data) % 8, 8):
        state = ((state ^ mix_block(int.from_bytes(data[i:i + 8], "little"))) * MUL) & MASK
    assert len(data) % 8 == 0
    return shift_mix((shift_mix(state) * MUL) & MASK)


class Blocks:
    """A fixed sequence of printable blocks, the same on every run."""

    def __init__(self):
        self.state = 0x5EED

    def draw(self):
        out = bytearray()
        for _ in range(8):
            self.state = (self.state * 6364136223846793005 + 1442695040888963407) & MASK
            out.append(ALPHABET[(self.state >> 33) % len(ALPHABET)])
        return int.from_bytes(out, "little")


def printable(n):
    return all(b in ALPHABET for b in n.to_bytes(8, "little"))


def colliding_keys(places):
    blocks = Blocks()
    length = 16 * places
    state = SEED ^ ((length * MUL) & MASK)
    pairs = []
    for _ in range(places):
        a1, a2 = blocks.draw(), blocks.draw()
        target = (((state ^ mix_block(a1)) * MUL) & MASK) ^ mix_block(a2)
        for _ in range(MAX_TRIES):
            b1 = blocks.draw()
            b2 = unmix_block(target ^ (((state ^ mix_block(b1)) * MUL) & MASK))
            first = a1.to_bytes(8, "little") + a2.to_bytes(8, "little")
            second = b1.to_bytes(8, "little") + b2.to_bytes(8, "little")
            if printable(b2) and first.lower() != second.lower():
                pairs.append((first, second))
                break
        else:
            sys.exit("no printable pair within the bounded tries")
        state = (target * MUL) & MASK
    keys = []
    for choice in range(1 << places):
        keys.append(b"".join(pairs[p][(choice >> p) & 1] for p in range(places)))
    return keys


def main():
    out = sys.argv[1]
    places = int(sys.argv[2]) if len(sys.argv) > 2 else 15
    keys = colliding_keys(places)
    # The generator's proof: every key has the hash of the first.
    assert len(set(hash_bytes(k) for k in keys)) == 1
    drivers = {k.decode("ascii"): {"permanent": None, "current": None} for k in keys}
    assert len(drivers) == len(keys)
    with open(out, "w") as f:
        json.dump({"format": 2, "computer_name": "COLLIDE", "components": None, "devices": None,
                   "drivers": drivers, "adapters": None, "adapter_table": {"size_query": 111, "read": 31}}, f)


if __name__ == "__main__":
    main()
