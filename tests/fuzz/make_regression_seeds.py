#!/usr/bin/env python3
"""Writes the regression seeds of the fuzz targets: hostile inputs that once made a reader hang,
allocate without bound or lose frames. Each target replays them with its other seeds (ctest
fuzz_seeds.NAME, scripts/fuzz.sh --seeds), so a fault that comes back fails the suite.

    python3 tests/fuzz/make_regression_seeds.py      # rewrites tests/fuzz/seeds/*/regress-*

The seeds are committed; run this again only to change them.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SEEDS = os.path.join(HERE, 'seeds')


def write(target, name, data):
    folder = os.path.join(SEEDS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)
    print('%s/%s: %d bytes' % (target, name, len(data)))


def gbk_lines(lines):
    return ''.join(line + '\r\n' for line in lines).encode('gbk')


# --- The Project target: the first byte chooses the file of the sample project (see kFiles of
# ProjectFuzz.cpp); the rest replaces it.
BAY_FILE = 1
BOARD_FILE = 4
SCD_CACHE = 15


def project(index, name, data):
    write('Project', 'regress-%02d-%s' % (index, name), bytes([index]) + data)


def board_files():
    # A board file of 336 bytes listing 120 port groups of 65535 ports each (once 5.9 GB and minutes).
    project(BOARD_FILE, 'board-many-groups', gbk_lines([
        '[板卡属性]', '类型=QXM-CPU01', '通讯口名称=' + ','.join(['A'] * 120),
        '[A配置]', '数目=65535', '类型=网络', '配置文件=网络配置.ini']))
    # Few groups, but one of them with 65535 ports.
    project(BOARD_FILE, 'board-huge-group', gbk_lines([
        '[板卡属性]', '类型=QXM-CPU01', '通讯口名称=COM,NET',
        '[COM配置]', '数目=4', '类型=串口', '配置文件=串口配置.ini',
        '[NET配置]', '数目=65535', '类型=网络', '配置文件=网络配置.ini']))


def bay_files():
    # The sample project's bay file with a variable-information table of a million rows at the
    # voltage level, at the bay or at the equipment (each once allocated for the count).
    sample = os.path.join(ROOT, 'tests', 'data', 'projectmodel', 'sample', 'ccu_工程间隔.cfg')
    with open(sample, 'rb') as f:
        text = f.read().decode('gbk')
    tables = [('level', '\n        数目=3,1\r\n'), ('bay', '\n          数目=3,1\r\n'),
              ('equipment', '\n            数目=2,1\r\n')]
    for name, line in tables:
        assert text.count(line) == 1, line
        huge = line.replace(',1\r\n', ',1000000\r\n')
        project(BAY_FILE, 'bay-huge-%s-rows' % name, text.replace(line, huge).encode('gbk'))
    # Five bays in 6 KB: every table of the level, of each bay and of each
    # equipment claims a million rows (once gigabytes on opening, and the next save 60 MB).
    every = text
    for _, line in tables:
        every = every.replace(line, line.replace(',1\r\n', ',1000000\r\n'))
    start = every.index('    [间隔0]\r\n')
    end = every.rindex('  }\r\n}')
    bay = every[start:end]
    bays = [bay.replace('[间隔0]', '[间隔%d]' % k).replace('描述=0,线路一', '描述=%d,线路%d' % (k, k))
            for k in range(5)]
    head = every[:start]
    assert head.endswith('    数目=1\r\n')
    head = head[:-len('1\r\n')] + '5\r\n'
    project(BAY_FILE, 'bay-huge-rows-everywhere', (head + ''.join(bays) + every[end:]).encode('gbk'))


def archive_string(text):
    b = text.encode('gbk')
    assert len(b) < 255
    return bytes([len(b)]) + b


def cache_entry(group, number, desc, reference):
    head = struct.pack('<5i', number, group, number, 0, 0)  # sequence, group, entry, fun, inf
    texts = [desc, '', '', '', '', '', '', reference]
    return head + b''.join(archive_string(t) for t in texts)


def cache_model(name, groups):
    out = archive_string(name) + archive_string(name) + archive_string('1.00') + struct.pack('<ii', 1, len(groups))
    for number, title, entries in groups:
        out += struct.pack('<ii', number, 0) + archive_string(title) + struct.pack('<i', len(entries))
        out += b''.join(entries)
    return out


def scd_cache():
    # The SCD cache with its entries in descending order (once quadratic to load), an entry
    # number given twice, and two models of one name in different case.
    entries = []
    for n in range(40, 0, -1):
        entries.append(cache_entry(1, n, '点%d' % n, 'PROT/GGIO1$ST$Ind%d$stVal' % n))
        if n == 5:
            entries.append(cache_entry(1, n, '重复', 'PROT/GGIO1$ST$Ind5$stVal'))
    small = cache_model('big_t', [(1, '遥信', [])])
    big = cache_model('BIG_T', [(1, '遥信', entries), (2, '遥测', list(reversed(entries[:10])))])
    project(SCD_CACHE, 'cache-descending', b'\0' + struct.pack('<i', 2) + small + big)


# --- SCL files: data types that fan out, three children of the next type twelve levels deep
# (3^12 leaves; once half a million points and more than a gigabyte before the walk stopped).

def fan_out(prefix, levels):
    out = ''
    for i in range(levels):
        out += '<DAType id="%s%d">' % (prefix, i)
        out += ''.join('<BDA name="%s" bType="Struct" type="%s%d"/>' % (n, prefix, i + 1) for n in 'abc')
        out += '</DAType>'
    return out + '<DAType id="%s%d"><BDA name="v" bType="BOOLEAN"/></DAType>' % (prefix, levels)


def scd(objects, types):
    return ('<?xml version="1.0"?>\n<SCL><Communication><SubNetwork name="N" type="8-MMS">'
            '<ConnectedAP iedName="R" apName="S1"/></SubNetwork></Communication>'
            '<IED name="R" type="T"><AccessPoint name="S1"><Server><LDevice inst="LD">'
            '<LN lnClass="RDRE" inst="1" lnType="R"><DataSet name="ds">'
            '<FCDA ldInst="LD" lnClass="RDRE" lnInst="1" fc="ST"/></DataSet></LN></LDevice></Server>'
            '</AccessPoint></IED><DataTypeTemplates><LNodeType id="R" lnClass="RDRE">' + objects +
            '</LNodeType><DOType id="D" cdc="SPS"><DA name="x" bType="Struct" type="F0" fc="ST"/></DOType>' +
            types + '</DataTypeTemplates></SCL>\n').encode()


def scl_files():
    write('ScdImport', 'regress-fan-out-type.scd', scd('<DO name="Rcd" type="D"/>', fan_out('F', 12)))
    # 2 KB of thirty data objects of one type that fans out seven levels deep: each object within
    # its own budget, together 65,610 points (once half a second and 150 MB, and a fuzz timeout).
    write('ScdImport', 'regress-fan-out-objects.scd',
          scd(''.join('<DO name="D%d" type="D"/>' % k for k in range(30)), fan_out('F', 7)))
    cid = ('<?xml version="1.0"?>\n<SCL><IED name="L" type="T"><AccessPoint name="S1"><Server>'
           '<LDevice inst="LD"><LN0 lnClass="LLN0" inst="" lnType="N0"/>'
           '<LN lnClass="GGIO" inst="1" lnType="G"/></LDevice></Server></AccessPoint></IED>'
           '<DataTypeTemplates><LNodeType id="N0" lnClass="LLN0"/>'
           '<LNodeType id="G" lnClass="GGIO"><DO name="Ind" type="S"/></LNodeType>'
           '<DOType id="S" cdc="SPS"><DA name="stVal" bType="Struct" type="F0" fc="ST"/></DOType>' +
           fan_out('F', 12) + '</DataTypeTemplates></SCL>\n')
    write('Cid', 'regress-fan-out-type.cid', cid.encode())
    # 5 KB of sixty logical nodes of one type of forty data objects, each a structure that fans
    # out seven levels deep: each object within its own budget, together 5,248,800 points (once
    # 0.5 s and 80 MB for the hundred thousand points made before the walk stopped).
    cid = ('<?xml version="1.0"?>\n<SCL><IED name="L" type="T"><AccessPoint name="S1"><Server>'
           '<LDevice inst="LD"><LN0 lnClass="LLN0" inst="" lnType="N0"/>' +
           ''.join('<LN lnClass="GGIO" inst="%d" lnType="G"/>' % k for k in range(1, 61)) +
           '</LDevice></Server></AccessPoint></IED><DataTypeTemplates><LNodeType id="N0" lnClass="LLN0"/>'
           '<LNodeType id="G" lnClass="GGIO">' +
           ''.join('<DO name="Ind%d" type="S"/>' % k for k in range(1, 41)) + '</LNodeType>'
           '<DOType id="S" cdc="SPS"><DA name="stVal" bType="Struct" type="F0" fc="ST"/></DOType>' +
           fan_out('F', 7) + '</DataTypeTemplates></SCL>\n')
    write('Cid', 'regress-fan-out-objects.cid', cid.encode())


# --- Frame streams (FrameScript.h): a mode byte (read size in the low 7 bits, 0 for one read;
# bit 7 for a raw stream), then records of kind, board, source (2), body length (2), body.

def record(kind, body, board=0, source=0):
    return struct.pack('<BBHH', kind, board, source, len(body)) + bytes(body)


def upload():
    # ConfigLink: an upload whose unit announces 10 bytes and sends more, and goes on sending
    # after the transfer was failed (once written to disk without bound). The first record's
    # kind (4) also chooses the upload.
    def packet(ident, more, number, data):
        return struct.pack('<IBH', ident, more, number) + data

    def open_reply(length, ident):
        return struct.pack('<BII', 1, length, ident)

    stream = (record(4, open_reply(10, 3)) + record(6, packet(3, 1, 0, b'12345')) +
              record(6, packet(3, 1, 1, b'x' * 10)) + record(6, packet(3, 1, 2, b'y' * 1000)) +
              record(6, packet(3, 0, 3, b'z' * 1000)) + record(11, b''))
    write('ConfigLink', 'regress-upload-beyond-length', b'\x00' + stream)
    write('ConfigLink', 'regress-upload-beyond-length-split', b'\x09' + stream)


def largest_frames():
    # Monitor and debugger: a frame of the largest size the ring takes (30720 bytes with the
    # header) arriving in 127-byte reads, the last of which also holds the start of a short
    # frame (once both were dropped for want of room). A largest frame cannot be shorter.
    largest = 30720 - 28
    stream = record(1, bytes([3]) + b'q' * (largest - 1)) + record(1, bytes([3]) + b'a')
    for target in ('MonitorFrames', 'DebuggerFrames'):
        write(target, 'regress-largest-frame-in-reads', b'\x7f' + stream)


if __name__ == '__main__':
    board_files()
    bay_files()
    scd_cache()
    scl_files()
    upload()
    largest_frames()
