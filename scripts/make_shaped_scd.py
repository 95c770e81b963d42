#!/usr/bin/env python3
"""Writes SCD files of the shapes that weigh on the SCD import's bounds, for benchmarks:

    python3 scripts/make_shaped_scd.py OUTPUT.scd lean LEAN RICH [first|last]
        LEAN measurement IEDs of 38 MMXU nodes without DOIs whose data set names whole data objects
        (684 points each) and RICH indication IEDs of 40 described nodes, the lean ones first or last
    python3 scripts/make_shaped_scd.py OUTPUT.scd fanout IEDS OBJECTS [PADDING_BYTES [doi]]
        IEDS recorder IEDs of one RDRE node of OBJECTS data objects, each a threefold fan-out six
        levels deep (729 points an object); with PADDING_BYTES, each IED also holds a node of a
        missing type of PADDING_BYTES / 2 bytes of empty SDIs (in a DOI of that node with "doi"),
        and the templates as many bytes of empty DATypes
    python3 scripts/make_shaped_scd.py OUTPUT.scd indications IEDS NODES OBJECTS
        IEDS IEDs of NODES GGIO nodes of OBJECTS single-point indications each

The output is for local runs only; do not commit it.
"""
import sys

HEAD = '<?xml version="1.0"?>\n<SCL><Communication><SubNetwork name="N" type="8-MMS">'


def connected(names):
    return ''.join('<ConnectedAP iedName="%s" apName="S1"/>' % n for n in names) + \
        '</SubNetwork></Communication>'


def ied(name, content):
    return ('<IED name="%s" type="T"><AccessPoint name="S1"><Server><LDevice inst="LD">%s'
            '</LDevice></Server></AccessPoint></IED>' % (name, content))


def lean(lean_count, rich_count, lean_first):
    names = ['L%d' % i for i in range(lean_count)]
    for i in range(rich_count):
        names.insert(len(names) if lean_first else i, 'R%d' % i)
    lean_lns = ''.join('<LN lnClass="MMXU" inst="%d" lnType="M"/>' % k for k in range(1, 39))
    lean_set = ''.join('<FCDA ldInst="LD" lnClass="MMXU" lnInst="%d" fc="MX" doName="%s"/>' % (k, o)
                       for k in range(1, 39) for o in ('PhV', 'A', 'Hz', 'TotW'))
    rich_lns = ''.join('<LN lnClass="GGIO" inst="%d" lnType="G"><DOI name="Ind" desc="开入%d">'
                       '<SDI name="x"/><DAI name="stVal"/></DOI></LN>' % (k, k) for k in range(1, 41))
    rich_set = ''.join('<FCDA ldInst="LD" lnClass="GGIO" lnInst="%d" fc="ST" doName="Ind"/>' % k
                       for k in range(1, 41))
    out = [HEAD, connected(names)]
    for n in names:
        is_lean = n[0] == 'L'
        out.append(ied(n, '<LN0 lnClass="LLN0" inst="" lnType="Z"><DataSet name="ds">%s</DataSet></LN0>%s'
                       % (lean_set if is_lean else rich_set, lean_lns if is_lean else rich_lns)))
    out.append(
        '<DataTypeTemplates><LNodeType id="Z" lnClass="LLN0"/><LNodeType id="M" lnClass="MMXU">'
        '<DO name="PhV" type="W"/><DO name="A" type="W"/><DO name="Hz" type="V"/><DO name="TotW" type="V"/>'
        '</LNodeType><LNodeType id="G" lnClass="GGIO"><DO name="Ind" type="S"/></LNodeType>'
        '<DOType id="W" cdc="WYE"><SDO name="phsA" type="C"/><SDO name="phsB" type="C"/>'
        '<SDO name="phsC" type="C"/><SDO name="neut" type="C"/></DOType>'
        '<DOType id="C" cdc="CMV"><DA name="cVal" bType="Struct" type="Vec" fc="MX"/></DOType>'
        '<DOType id="V" cdc="MV"><DA name="mag" bType="Struct" type="AV" fc="MX"/></DOType>'
        '<DOType id="S" cdc="SPS"><DA name="stVal" bType="BOOLEAN" fc="ST"/></DOType>'
        '<DAType id="Vec"><BDA name="mag" bType="Struct" type="AV"/><BDA name="ang" bType="Struct" type="AV"/>'
        '</DAType><DAType id="AV"><BDA name="f" bType="FLOAT32"/></DAType></DataTypeTemplates></SCL>\n')
    return ''.join(out)


def fanout(ieds, objects, padding, in_doi=False):
    depth = 6
    names = ['R%d' % i for i in range(ieds)]
    out = [HEAD, connected(names)]
    pad_lns = ''
    if padding:
        sdis = '<SDI/>' * (padding // 12)
        if in_doi:
            sdis = '<DOI name="Ind">' + sdis + '</DOI>'
        pad_lns = '<LN lnClass="GGIO" inst="9" lnType="Missing">' + sdis + '</LN>'
    for n in names:
        out.append(ied(n, '<LN lnClass="RDRE" inst="1" lnType="R"><DataSet name="ds"><FCDA ldInst="LD" '
                          'lnClass="RDRE" lnInst="1" fc="ST"/></DataSet></LN>' + pad_lns))
    out.append('<DataTypeTemplates><LNodeType id="R" lnClass="RDRE">')
    out.append(''.join('<DO name="D%d" type="D"/>' % k for k in range(objects)))
    out.append('</LNodeType><DOType id="D" cdc="SSS"><DA name="x" bType="Struct" type="F0" fc="ST"/></DOType>')
    for i in range(depth):
        out.append('<DAType id="F%d">' % i + ''.join(
            '<BDA name="%s" bType="Struct" type="F%d"/>' % (c, i + 1) for c in 'abc') + '</DAType>')
    out.append('<DAType id="F%d"><BDA name="v" bType="BOOLEAN"/></DAType>' % depth)
    if padding:
        out.append(''.join('<DAType id="Pk%d"/>' % k for k in range(padding // 24)))
    out.append('</DataTypeTemplates></SCL>\n')
    return ''.join(out)


def indications(ieds, nodes, objects):
    names = ['R%d' % i for i in range(ieds)]
    lns = ''.join('<LN lnClass="GGIO" inst="%d" lnType="G"><DataSet name="ds"><FCDA ldInst="LD" '
                  'lnClass="GGIO" lnInst="%d" fc="ST"/></DataSet></LN>' % (i, i) for i in range(1, nodes + 1))
    out = [HEAD, connected(names)] + [ied(n, lns) for n in names]
    out.append('<DataTypeTemplates><LNodeType id="G" lnClass="GGIO">' +
               ''.join('<DO name="Ind%d" type="S"/>' % k for k in range(1, objects + 1)) +
               '</LNodeType><DOType id="S" cdc="SPS"><DA name="stVal" bType="BOOLEAN" fc="ST"/></DOType>'
               '</DataTypeTemplates></SCL>\n')
    return ''.join(out)


def main():
    args = sys.argv[1:]
    try:
        path, shape, rest = args[0], args[1], [a for a in args[2:]]
        if shape == 'lean' and len(rest) in (2, 3):
            text = lean(int(rest[0]), int(rest[1]), (rest[2] if len(rest) == 3 else 'first') == 'first')
        elif shape == 'fanout' and len(rest) in (2, 3, 4) and (len(rest) < 4 or rest[3] == 'doi'):
            text = fanout(int(rest[0]), int(rest[1]), int(rest[2]) if len(rest) >= 3 else 0, len(rest) == 4)
        elif shape == 'indications' and len(rest) == 3:
            text = indications(int(rest[0]), int(rest[1]), int(rest[2]))
        else:
            raise ValueError
    except (IndexError, ValueError):
        sys.exit(__doc__)
    with open(path, 'w', encoding='utf-8', newline='\n') as f:
        f.write(text)


if __name__ == '__main__':
    main()
