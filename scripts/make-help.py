#!/usr/bin/env python3
"""Compiles Kestrel's help text into a Windows Help file.

    python3 scripts/make-help.py SOURCE OUTPUT      (res/help/Kestrel.txt -> Kestrel.hlp)

The source is plain text (its own first lines describe the markup): a few
settings, then topics with a context name, an optional context number (the
number the program passes to WinHelp with HELP_CONTEXT) and a title, made of
paragraphs, bullet items, subheadings and jumps to other topics.

The output is a Windows 3.1 help file (format version 1.21), the kind the
Windows 3.1 and Windows 95 viewers and Wine's winhlp32 open. It holds the
internal files a viewer needs and nothing more:

    |SYSTEM   title, copyright, contents topic, browse buttons, main window
    |FONT     three Arial styles: body text, topic title, subheading
    |TOPIC    the topics: a topic header, then one record per paragraph
    |CONTEXT  hash of each context name -> topic offset (jumps)
    |CTXOMAP  context number -> topic offset (HELP_CONTEXT)
    |TTLBTREE topic offset -> title, for the titles a search lists
    |KWBTREE, |KWDATA, |KWMAP   the index: keyword -> topic offsets

Topic text is stored without phrase compression. The |TOPIC blocks are marked
LZ77-compressed but hold only literal runs: with compression every viewer
reads a block as one 16 KB window, so topic positions mean the same to all of
them. No record crosses a block boundary. The output is byte-for-byte the same
on every run.
"""

import re
import struct
import sys

TOPIC_BLOCK_SIZE = 4096
TOPIC_BLOCK_HEADER = 12
DECOMPRESS_SIZE = 0x4000          # one compressed block's window
# The most record bytes a block holds when written as literal runs: every
# eight bytes cost a ninth, the flag byte.
BLOCK_CAPACITY = (TOPIC_BLOCK_SIZE - TOPIC_BLOCK_HEADER) * 8 // 9
TOPICLINK_HEADER = 21
TOPIC_HEADER_DATA = 28            # LinkData1 of a topic header: seven longs

RECORD_TOPIC_HEADER = 0x02
RECORD_TEXT = 0x20

# Fonts of |FONT, by index.
FONT_BODY, FONT_TITLE, FONT_HEADING = 0, 1, 2
FACE_NAME = b'Arial'
FACE_NAME_SIZE = 20
FAMILY_SWISS = 3

# Character formatting commands of a text record.
CMD_FONT = 0x80
CMD_PARAGRAPH_END = 0x82
CMD_TAB = 0x83
CMD_HOTSPOT_END = 0x89
CMD_JUMP = 0xE3
CMD_END = 0xFF

# Paragraph formatting flags and their values (half points).
PARA_SPACE_ABOVE = 0x0002
PARA_SPACE_BELOW = 0x0004
PARA_LEFT_INDENT = 0x0010
PARA_FIRST_LINE_INDENT = 0x0040
PARA_TABS = 0x0200

BULLET = '\u2022'
CONTEXT_NAME = re.compile(r'^[A-Za-z0-9_.]+$')
TOPIC_LINE = re.compile(r'^\[([^\]\s]+)(?:\s+(\d+))?\]\s*(.+)$')
JUMP = re.compile(r'\{([^|{}]+)\|([^{}]+)\}')


class HelpSourceError(Exception):
    pass


def context_hash(name):
    """The viewer's 32-bit hash of a context name: letters count 17 to 42
    regardless of case, '1'-'9' count 1-9, '0' 10, '.' 12 and '_' 13."""
    value = 0
    for c in name.upper():
        if 'A' <= c <= 'Z':
            digit = ord(c) - ord('A') + 17
        elif '1' <= c <= '9':
            digit = ord(c) - ord('0')
        else:
            digit = {'0': 10, '.': 12, '_': 13}[c]
        value = (value * 43 + digit) & 0xFFFFFFFF
    return value - (1 << 32) if value & 0x80000000 else value


# ---------------------------------------------------------------- the source

class Topic:
    def __init__(self, name, number, title, line):
        self.name = name
        self.number = number
        self.title = title
        self.line = line
        self.paragraphs = []     # (style, [(text, target or None)])
        self.keywords = []       # (keyword, source line) for the index


def encode_text(text, where):
    try:
        return text.encode('cp1252')
    except UnicodeEncodeError:
        raise HelpSourceError('%s: a character the help file cannot hold' % where)


def parse_runs(text, where):
    runs = []
    position = 0
    for match in JUMP.finditer(text):
        if match.start() > position:
            runs.append((text[position:match.start()], None))
        runs.append((match.group(1), match.group(2)))
        position = match.end()
    if position < len(text):
        runs.append((text[position:], None))
    for run, _ in runs:
        if '{' in run or '}' in run:
            raise HelpSourceError('%s: a jump must read {text|CONTEXT_NAME}' % where)
    return runs


def parse_source(text):
    settings = {}
    topics = []
    lines = text.splitlines() + ['']
    paragraph = []
    start = 0

    def flush():
        if not paragraph:
            return
        where = 'line %d' % start
        joined = ' '.join(paragraph)
        if joined.startswith('## '):
            style, joined = 'heading', joined[3:]
        elif joined.startswith('* '):
            style, joined = 'bullet', joined[2:]
        else:
            style = 'body'
        topics[-1].paragraphs.append((style, parse_runs(joined.strip(), where)))
        del paragraph[:]

    for number, raw in enumerate(lines, 1):
        line = raw.rstrip()
        if line.startswith(';'):
            continue
        topic = TOPIC_LINE.match(line)
        if topic:
            flush()
            name, context_number, title = topic.groups()
            topics.append(Topic(name, int(context_number) if context_number else None,
                                title.strip(), number))
        elif not line.strip():
            flush()
        elif not topics:
            key, sep, value = line.partition(':')
            if not sep:
                raise HelpSourceError('line %d: expected "Setting: value"' % number)
            settings[key.strip()] = value.strip()
        elif not paragraph and line.startswith('Keywords:'):
            words = [word.strip() for word in line[len('Keywords:'):].split(';')]
            topics[-1].keywords += [(word, number) for word in words if word]
        else:
            if not paragraph:
                start = number
            paragraph.append(line.strip())
    check_source(settings, topics)
    return settings, topics


def check_source(settings, topics):
    if 'Title' not in settings:
        raise HelpSourceError('the source names no Title')
    if not topics:
        raise HelpSourceError('the source has no topic')
    names = {}
    numbers = set()
    for topic in topics:
        where = 'line %d' % topic.line
        if not CONTEXT_NAME.match(topic.name):
            raise HelpSourceError('%s: context names use only A-Z, a-z, 0-9, _ and .' % where)
        hashed = context_hash(topic.name)
        if hashed in names:
            raise HelpSourceError('%s: context name %s is taken (or hashes like %s)'
                                  % (where, topic.name, names[hashed]))
        names[hashed] = topic.name
        if topic.number is not None:
            if topic.number in numbers or topic.number > 0x7FFFFFFF:
                raise HelpSourceError('%s: context number %d is taken or too large'
                                      % (where, topic.number))
            numbers.add(topic.number)
    for topic in topics:
        for keyword, line in topic.keywords:
            encode_text(keyword, 'line %d' % line)
        for _, runs in topic.paragraphs:
            for _, target in runs:
                if target is not None and (not CONTEXT_NAME.match(target)
                                           or names.get(context_hash(target)) != target):
                    raise HelpSourceError('line %d: jump to unknown topic %s'
                                          % (topic.line, target))


# ------------------------------------------------------- compressed numbers

def compressed_short(value):
    # The one-byte form only for negative values: some readers round the
    # two-byte form of a negative number wrongly.
    if -64 <= value < 64:
        return bytes([(value + 64) * 2])
    assert 0 <= value < 16384
    return struct.pack('<H', (value + 16384) * 2 + 1)


def compressed_ushort(value):
    if value < 128:
        return bytes([value * 2])
    assert value < 32768
    return struct.pack('<H', value * 2 + 1)


def compressed_long(value):
    # Readers disagree on the four-byte form; a record never needs it.
    assert -16384 <= value < 16384
    return struct.pack('<H', (value + 16384) * 2)


# ------------------------------------------------------------- the records

PARAGRAPH_STYLE = {
    # style: (font, space above, space below, left indent, first-line indent)
    'title': (FONT_TITLE, 0, 12, None, None),
    'heading': (FONT_HEADING, 20, 0, None, None),
    'body': (FONT_BODY, 12, 0, None, None),
    'bullet': (FONT_BODY, 8, 0, 24, -16),
}


def text_record(style, runs, where):
    """LinkData1 and LinkData2 of one paragraph: the formatting commands and
    the strings that come before each of them."""
    font, above, below, indent, first = PARAGRAPH_STYLE[style]
    strings = []
    commands = bytearray()

    def command(text, code):
        strings.append(encode_text(text, where) + b'\0')
        commands.extend(code)

    command('', struct.pack('<BH', CMD_FONT, font))
    pending = ''
    if style == 'bullet':
        command(BULLET, bytes([CMD_TAB]))
    for text, target in runs:
        if target is None:
            pending += text
            continue
        command(pending, struct.pack('<Bi', CMD_JUMP, context_hash(target)))
        command(text, bytes([CMD_HOTSPOT_END]))
        pending = ''
    command(pending, bytes([CMD_PARAGRAPH_END]))
    command('', bytes([CMD_END]))
    data2 = b''.join(strings)

    bits = 0
    fields = b''
    if above:
        bits |= PARA_SPACE_ABOVE
        fields += compressed_short(above)
    if below:
        bits |= PARA_SPACE_BELOW
        fields += compressed_short(below)
    if indent is not None:
        bits |= PARA_LEFT_INDENT | PARA_FIRST_LINE_INDENT | PARA_TABS
        fields += compressed_short(indent) + compressed_short(first)
        fields += compressed_short(1) + compressed_ushort(indent)
    # TopicSize is the size of what follows the two sizes; every byte of the
    # text, terminators included, counts as one character of the topic offsets.
    formatting = struct.pack('<BBHH', 0, 0x80, 0, bits) + fields + bytes(commands)
    data1 = compressed_long(len(formatting)) + compressed_ushort(len(data2)) + formatting
    return data1, data2


class Record:
    def __init__(self, kind, data1, data2, topic=None):
        self.kind = kind
        self.data1 = data1       # bytes, or None for a topic header filled in later
        self.data2 = data2
        self.topic = topic
        data1_size = TOPIC_HEADER_DATA if data1 is None else len(data1)
        self.size = TOPICLINK_HEADER + data1_size + len(data2)
        self.position = None     # TOPICPOS
        self.block = None
        self.characters = 0      # character positions this record adds


def build_topics(topics):
    """Lays the topics out in |TOPIC. Returns the internal file and each
    topic's offset, by topic index."""
    records = []
    for index, topic in enumerate(topics):
        header = Record(RECORD_TOPIC_HEADER, None,
                        encode_text(topic.title, 'line %d' % topic.line) + b'\0', index)
        records.append(header)
        where = 'line %d' % topic.line
        for style, runs in [('title', [(topic.title, None)])] + topic.paragraphs:
            data1, data2 = text_record(style, runs, where)
            record = Record(RECORD_TEXT, data1, data2, index)
            record.characters = len(data2)
            records.append(record)
    # Readers stop at the link whose successor is -1 without reading it: the
    # last link is an empty topic header that ends the last topic.
    terminator = Record(RECORD_TOPIC_HEADER, None, b'')
    records.append(terminator)

    # Place the records: a block takes whole records while they fit.
    blocks = [[]]
    used = 0
    for record in records:
        if record.size > BLOCK_CAPACITY:
            raise HelpSourceError('line %d: a paragraph is too long'
                                  % topics[record.topic].line)
        if used + record.size > BLOCK_CAPACITY:
            blocks.append([])
            used = 0
        record.block = len(blocks) - 1
        record.position = TOPIC_BLOCK_HEADER + record.block * DECOMPRESS_SIZE + used
        blocks[-1].append(record)
        used += record.size

    # A topic's offset: its block, and the characters before it in that block.
    offsets = {}
    characters = 0
    block = 0
    for record in records:
        if record.block != block:
            block, characters = record.block, 0
        if record.kind == RECORD_TOPIC_HEADER and record is not terminator:
            offsets[record.topic] = block * 0x8000 + characters
        characters += record.characters

    # Each header: the size of its topic's paragraphs, the browse sequence
    # (the topics in source order), its number, no non-scrolling region, where
    # its paragraphs start and where the next topic starts.
    headers = [r for r in records if r.kind == RECORD_TOPIC_HEADER]
    for number, header in enumerate(headers[:-1]):
        paragraphs = [r for r in records if r.topic == number and r.kind == RECORD_TEXT]
        back = offsets[number - 1] if number > 0 else -1
        forward = offsets[number + 1] if number + 1 < len(topics) else -1
        header.data1 = struct.pack('<iiiiiii', sum(r.size for r in paragraphs), back, forward,
                                   number, -1, paragraphs[0].position, headers[number + 1].position)
    terminator.data1 = struct.pack('<iiiiiii', 0, -1, -1, len(topics), -1, -1, -1)

    data = bytearray()
    last_header = -1
    first = 0                     # index of the block's first record
    for block_records in blocks:
        plain = bytearray()
        for i in range(first, first + len(block_records)):
            record = records[i]
            prev = records[i - 1].position if i > 0 else -1
            next_ = records[i + 1].position if i + 1 < len(records) else -1
            plain += struct.pack('<iiiiiB', record.size, len(record.data2), prev, next_,
                                 TOPICLINK_HEADER + len(record.data1), record.kind)
            plain += record.data1 + record.data2
        previous_link = records[first - 1].position if first else -1
        block = struct.pack('<iii', previous_link, block_records[0].position, last_header)
        block += literal_runs(bytes(plain))
        data += block.ljust(TOPIC_BLOCK_SIZE, b'\0')
        for record in block_records:
            if record.kind == RECORD_TOPIC_HEADER:
                last_header = record.position
        first += len(block_records)
    return bytes(data), offsets


def literal_runs(data):
    """LZ77 data that copies every byte: a zero flag byte before each eight."""
    out = bytearray()
    for start in range(0, len(data), 8):
        out.append(0)
        out += data[start:start + 8]
    return bytes(out)


# ------------------------------------------------------- the internal files

def system_file(settings, contents_offset):
    def record(kind, data):
        return struct.pack('<HH', kind, len(data)) + data

    title = encode_text(settings['Title'], 'Title')
    out = struct.pack('<HHHIH', 0x036C, 21, 1, 0, 4)     # version 1.21, LZ77 topics
    out += record(1, title + b'\0')
    if 'Copyright' in settings:
        out += record(2, encode_text(settings['Copyright'], 'Copyright') + b'\0')
    out += record(3, struct.pack('<i', contents_offset))
    out += record(4, b'BrowseButtons()\0')
    # The main window: its type, name and caption are given, the rest is the
    # viewer's default.
    window = struct.pack('<H', 0x0007) + b'main'.ljust(10, b'\0') + b'main'.ljust(9, b'\0')
    window += title[:50].ljust(51, b'\0') + bytes(18)
    out += record(6, window)
    return out


def font_file():
    descriptors = [
        (0, 20),      # body: 10 point
        (1, 28),      # topic title: 14 point bold
        (1, 20),      # subheading: 10 point bold
    ]
    out = struct.pack('<HHHH', 1, len(descriptors), 8, 8 + FACE_NAME_SIZE)
    out += FACE_NAME.ljust(FACE_NAME_SIZE, b'\0')
    for attributes, half_points in descriptors:
        out += struct.pack('<BBBH3s3s', attributes, half_points, FAMILY_SWISS, 0,
                           b'\0\0\0', b'\xff\xff\xff')
    return out


def btree(structure, flags, page_size, entries):
    """A B+ tree of one leaf page holding the given entries, in order."""
    body = b''.join(entries)
    if 8 + len(body) > page_size:
        raise HelpSourceError('too many entries for one B+ tree page')
    header = struct.pack('<HHH16shhhhhhi', 0x293B, flags, page_size, structure,
                         0, 0, 0, -1, 1, 1, len(entries))
    page = struct.pack('<Hhhh', page_size - 8 - len(body), len(entries), -1, -1) + body
    return header + page.ljust(page_size, b'\0')


def context_file(topics, offsets):
    entries = sorted((context_hash(t.name), offsets[i]) for i, t in enumerate(topics))
    return btree(b'L4', 0x0002, 0x0800, [struct.pack('<ii', h, o) for h, o in entries])


def title_file(topics, offsets):
    entries = [struct.pack('<i', offsets[i]) + encode_text(t.title, 'line %d' % t.line) + b'\0'
               for i, t in enumerate(topics)]
    return btree(b'Lz', 0x0002, 0x0800, entries)


def map_file(topics, offsets):
    entries = sorted((t.number, offsets[i]) for i, t in enumerate(topics)
                     if t.number is not None)
    return struct.pack('<H', len(entries)) + b''.join(struct.pack('<ii', n, o)
                                                      for n, o in entries)


def keyword_files(topics, offsets):
    """The index: |KWBTREE names each keyword with its count of topics and
    where their offsets start in |KWDATA; |KWMAP tells the viewer's list
    which leaf page holds which keyword number."""
    topics_of = {}
    for index, topic in enumerate(topics):
        for keyword, _ in topic.keywords:
            topics_of.setdefault(keyword, []).append(offsets[index])
    entries = []
    data = b''
    for keyword in sorted(topics_of, key=lambda k: (k.lower(), k)):
        found = topics_of[keyword]
        entries.append(keyword.encode('cp1252') + b'\0' + struct.pack('<hi', len(found), len(data)))
        data += b''.join(struct.pack('<i', offset) for offset in found)
    return {
        '|KWBTREE': btree(b'F24', 0x0002, 0x0800, entries),
        '|KWDATA': data,
        '|KWMAP': struct.pack('<iH', 0, 0),
    }


def help_file(files):
    """The container: header, each internal file behind its file header, and
    the directory, a B+ tree of names and offsets, last."""
    out = bytearray(16)
    directory = []
    for name in sorted(files):
        directory.append(name.encode('ascii') + b'\0' + struct.pack('<i', len(out)))
        content = files[name]
        out += struct.pack('<iiB', len(content) + 9, len(content), 4) + content
    directory_start = len(out)
    tree = btree(b'z4', 0x0402, 0x0400, directory)
    out += struct.pack('<iiB', len(tree) + 9, len(tree), 4) + tree
    out[0:16] = struct.pack('<iiii', 0x00035F3F, directory_start, -1, len(out))
    return bytes(out)


def compile_help(source_text):
    settings, topics = parse_source(source_text)
    topic_data, offsets = build_topics(topics)
    files = {
        '|CONTEXT': context_file(topics, offsets),
        '|CTXOMAP': map_file(topics, offsets),
        '|FONT': font_file(),
        '|SYSTEM': system_file(settings, offsets[0]),
        '|TOPIC': topic_data,
        '|TTLBTREE': title_file(topics, offsets),
    }
    if any(topic.keywords for topic in topics):
        files.update(keyword_files(topics, offsets))
    return help_file(files)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    with open(argv[1], encoding='utf-8') as source:
        text = source.read()
    try:
        data = compile_help(text)
    except HelpSourceError as error:
        sys.stderr.write('%s: %s\n' % (argv[1], error))
        return 1
    with open(argv[2], 'wb') as output:
        output.write(data)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
