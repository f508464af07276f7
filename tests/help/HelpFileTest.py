#!/usr/bin/env python3
"""Reads Kestrel.hlp back as a help viewer does and checks what it holds.

    HelpFileTest.py HELP-FILE [unittest arguments]

The reader below is written from the file format, not from the compiler: it
walks the internal file system, the |CONTEXT B+ tree and the LZ77 blocks of
|TOPIC, and turns each topic back into its title, its paragraphs and its jumps.
That the contents and each page's context number open their topics in a real
viewer the help scenario sees.
"""

import struct
import sys
import unittest

HELP_FILE = None

def lz77(data):
    out = bytearray()
    i = 0
    while i < len(data):
        flags = data[i]
        i += 1
        for bit in range(8):
            if i >= len(data):
                break
            if flags & (1 << bit):
                code = data[i] | data[i + 1] << 8
                i += 2
                for _ in range((code >> 12) + 3):
                    out.append(out[-(code & 0xFFF) - 1])
            else:
                out.append(data[i])
                i += 1
    return bytes(out)


class Reader:
    """Pulls compressed numbers and strings off a buffer."""

    def __init__(self, data):
        self.data = data
        self.at = 0

    def take(self, fmt):
        values = struct.unpack_from(fmt, self.data, self.at)
        self.at += struct.calcsize(fmt)
        return values if len(values) > 1 else values[0]

    # The compressed numbers: bit 0 of the first byte says whether the wide form follows.
    def cshort(self):
        return self.take('<H') // 2 - 16384 if self.data[self.at] & 1 else self.take('<B') // 2 - 64

    def cushort(self):
        return self.take('<H') // 2 if self.data[self.at] & 1 else self.take('<B') // 2

    def clong(self):
        return self.take('<I') // 2 - 0x40000000 if self.data[self.at] & 1 else self.take('<H') // 2 - 16384


class Topic:
    def __init__(self, offset, title):
        self.offset, self.title = offset, title
        self.paragraphs, self.jumps = [], []     # texts; (hotspot text, context hash)


class HelpFile:
    def __init__(self, data):
        self.data = data
        magic, directory, _, size = struct.unpack_from('<IiiI', data, 0)
        assert magic == 0x00035F3F, 'not a help file'
        assert size == len(data), 'the header gives the wrong file size'
        self.files = dict(self.btree(self.internal_at(directory), self.directory_entry))

    def internal_at(self, offset):
        used = struct.unpack_from('<i', self.data, offset + 4)[0]
        return self.data[offset + 9:offset + 9 + used]

    def internal(self, name):
        return self.internal_at(self.files[name])

    # A leaf entry of the directory: (name and offset, where the next entry starts).
    @staticmethod
    def directory_entry(page, at):
        end = page.index(b'\0', at)
        return (page[at:end].decode('ascii'), struct.unpack_from('<i', page, end + 1)[0]), end + 5

    def btree(self, tree, entry):
        page_size = struct.unpack_from('<H', tree, 4)[0]
        root, _, _, levels, total = struct.unpack_from('<hhhhi', tree, 26)
        pages = tree[38:]
        page = root
        for _ in range(levels - 1):       # the first leaf: follow PreviousPage down
            page = struct.unpack_from('<h', pages, page * page_size + 4)[0]
        entries = []
        while page != -1:
            at = page * page_size
            _, count, _, following = struct.unpack_from('<Hhhh', pages, at)
            cursor = at + 8
            for _ in range(count):
                value, cursor = entry(pages, cursor)
                entries.append(value)
            page = following
        assert len(entries) == total
        return entries

    def context_map(self):
        entry = lambda page, at: (struct.unpack_from('<ii', page, at), at + 8)   # hash, topic offset
        return dict(self.btree(self.internal('|CONTEXT'), entry))

    def topics(self):
        """Walks every TOPICLINK from the first, checking the links between them."""
        raw = self.internal('|TOPIC')
        blocks = [lz77(raw[at + 12:at + 4096]) for at in range(0, len(raw), 4096)]
        topics = []
        position, previous, block, characters = 12, -1, -1, 0
        while position != -1:
            index, offset = divmod(position - 12, 0x4000)
            if index != block:
                block, characters = index, 0
            link = Reader(blocks[index][offset:])
            size, _, back, forward, length1, kind = link.take('<iiiiiB')
            assert back == previous, 'the links do not chain back'
            assert offset + size <= 0x4000, 'a record crosses its block'
            data1 = blocks[index][offset + 21:offset + length1]
            data2 = blocks[index][offset + length1:offset + size]
            if kind == 2 and forward != -1:
                topics.append(Topic(index * 0x8000 + characters,
                                    data2.split(b'\0')[0].decode('cp1252')))
            elif kind == 2:
                pass      # the empty header that ends the last topic
            else:
                assert kind == 0x20, 'record type %#x' % kind
                characters += self.paragraph(topics[-1], data1, data2)
            previous, position = position, forward
        # Some readers skip the last link unread: it must hold no text.
        assert kind == 2 and data2 == b'', 'the last link is not an empty topic header'
        return topics

    @staticmethod
    def paragraph(topic, data1, data2):
        info = Reader(data1)
        size = info.clong()
        length = info.cushort()
        assert size == len(data1) - info.at, 'TopicSize is not the size of the formatting'
        assert length == len(data2), 'TopicLength is not the size of the text'
        info.take('<BBH')
        bits = info.take('<H')
        for flag in (0x0001, 0x0002, 0x0004, 0x0008, 0x0010, 0x0020, 0x0040):
            if bits & flag:
                info.clong() if flag == 1 else info.cshort()
        if bits & 0x0200:
            for _ in range(info.cshort()):
                if info.cushort() & 0x4000:
                    info.cushort()
        strings = data2.split(b'\0')
        text = ''
        jump = None
        for string in strings:
            text += string.decode('cp1252')
            command = info.take('<B')
            if command == 0xFF:
                break
            if command == 0x80:
                info.take('<H')
            elif command == 0x82:
                topic.paragraphs.append(text)
                text = ''
            elif command == 0x83:
                text += '\t'
            elif command == 0xE3:
                jump = (len(text), info.take('<i'))
            elif command == 0x89:
                topic.jumps.append((text[jump[0]:], jump[1]))
            else:
                raise AssertionError('formatting command %#x' % command)
        return length


def load(path):
    with open(path, 'rb') as stream:
        return HelpFile(stream.read())


class ShippedHelpFile(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.help = load(HELP_FILE)
        cls.topics = cls.help.topics()

    def test_every_topic_starts_with_its_title_and_every_jump_lands(self):
        names = self.help.context_map()
        self.assertEqual(len(self.topics), len(names))
        self.assertEqual(sorted(t.offset for t in self.topics), sorted(names.values()))
        for topic in self.topics:
            self.assertEqual(topic.title, topic.paragraphs[0], topic.title)
            for text, target in topic.jumps:
                self.assertIn(target, names, '%s: jump "%s"' % (topic.title, text))
                self.assertTrue(text.strip(), topic.title)
        # The contents topic reaches every other topic in one jump.
        reached = {names[target] for _, target in self.topics[0].jumps}
        self.assertEqual({t.offset for t in self.topics[1:]}, reached)


if __name__ == '__main__':
    HELP_FILE = sys.argv[1]
    unittest.main(argv=[sys.argv[0]] + sys.argv[2:], verbosity=2)
