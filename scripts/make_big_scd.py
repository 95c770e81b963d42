#!/usr/bin/env python3
"""Writes a large SCD file for benchmarks of the SCL reader.

    python3 scripts/make_big_scd.py OUTPUT.scd SIZE      # SIZE like 300M, 1G or a byte count

The file has the shape of tests/data/scl/station.scd: a header, a substation, an 8-MMS subnetwork
with one connected access point per IED, many IEDs (protection, measurement and control logical
devices with data sets, FCDA members, DOI/SDI/DAI descriptions and control models) and one
DataTypeTemplates section at the end. The output is for local runs only; do not commit it.
"""
import sys

HEAD = '''<?xml version="1.0" encoding="UTF-8"?>
<SCL xmlns="http://www.iec.ch/61850/2003/SCL" xmlns:rScl="http://www.qxm.example/SCL/rScl" version="2007" revision="B">
  <Header id="BigStation" version="1.0" revision="1" toolID="make_big_scd" nameStructure="IEDName"/>
  <Substation name="BIG" desc="基准测试变电站">
    <VoltageLevel name="E1" desc="220kV">
      <Voltage unit="V" multiplier="k">220</Voltage>
    </VoltageLevel>
  </Substation>
'''

TEMPLATES = '''  <DataTypeTemplates>
    <LNodeType id="BIG_LLN0" lnClass="LLN0">
      <DO name="Mod" type="BIG_INC_Mod"/>
    </LNodeType>
    <LNodeType id="BIG_PTOC" lnClass="PTOC">
      <DO name="Op" type="BIG_ACT"/>
      <DO name="Str" type="BIG_ACD"/>
      <DO name="StrVal" type="BIG_ASG"/>
    </LNodeType>
    <LNodeType id="BIG_MMXU" lnClass="MMXU">
      <DO name="TotW" type="BIG_MV"/>
      <DO name="TotVAr" type="BIG_MV"/>
      <DO name="Hz" type="BIG_MV"/>
      <DO name="PhV" type="BIG_WYE"/>
      <DO name="A" type="BIG_WYE"/>
    </LNodeType>
    <LNodeType id="BIG_GGIO" lnClass="GGIO">
      <DO name="Ind" type="BIG_SPS"/>
    </LNodeType>
    <LNodeType id="BIG_XCBR" lnClass="XCBR">
      <DO name="Pos" type="BIG_DPS"/>
    </LNodeType>
    <LNodeType id="BIG_CSWI" lnClass="CSWI">
      <DO name="Pos" type="BIG_DPC"/>
    </LNodeType>
    <DOType id="BIG_INC_Mod" cdc="INC">
      <DA name="stVal" bType="Enum" type="Mod" fc="ST"/>
    </DOType>
    <DOType id="BIG_ACT" cdc="ACT">
      <DA name="general" bType="BOOLEAN" fc="ST" dchg="true"/>
      <DA name="q" bType="Quality" fc="ST" qchg="true"/>
    </DOType>
    <DOType id="BIG_ACD" cdc="ACD">
      <DA name="general" bType="BOOLEAN" fc="ST" dchg="true"/>
      <DA name="dirGeneral" bType="Enum" type="dir" fc="ST"/>
    </DOType>
    <DOType id="BIG_ASG" cdc="ASG">
      <DA name="setMag" bType="Struct" type="BIG_AV" fc="SP"/>
    </DOType>
    <DOType id="BIG_SPS" cdc="SPS">
      <DA name="stVal" bType="BOOLEAN" fc="ST" dchg="true"/>
      <DA name="q" bType="Quality" fc="ST" qchg="true"/>
    </DOType>
    <DOType id="BIG_DPS" cdc="DPS">
      <DA name="stVal" bType="Dbpos" fc="ST" dchg="true"/>
    </DOType>
    <DOType id="BIG_DPC" cdc="DPC">
      <DA name="stVal" bType="Dbpos" fc="ST" dchg="true"/>
      <DA name="Oper" bType="Struct" type="BIG_Oper" fc="CO"/>
      <DA name="ctlModel" bType="Enum" type="ctlModel" fc="CF"/>
    </DOType>
    <DOType id="BIG_MV" cdc="MV">
      <DA name="mag" bType="Struct" type="BIG_AV" fc="MX" dchg="true"/>
      <DA name="q" bType="Quality" fc="MX" qchg="true"/>
    </DOType>
    <DOType id="BIG_CMV" cdc="CMV">
      <DA name="cVal" bType="Struct" type="BIG_Vector" fc="MX" dchg="true"/>
    </DOType>
    <DOType id="BIG_WYE" cdc="WYE">
      <SDO name="phsA" type="BIG_CMV"/>
      <SDO name="phsB" type="BIG_CMV"/>
      <SDO name="phsC" type="BIG_CMV"/>
    </DOType>
    <DAType id="BIG_AV">
      <BDA name="f" bType="FLOAT32"/>
    </DAType>
    <DAType id="BIG_Vector">
      <BDA name="mag" bType="Struct" type="BIG_AV"/>
      <BDA name="ang" bType="Struct" type="BIG_AV"/>
    </DAType>
    <DAType id="BIG_Oper">
      <BDA name="ctlVal" bType="BOOLEAN"/>
      <BDA name="T" bType="Timestamp"/>
    </DAType>
    <EnumType id="Mod">
      <EnumVal ord="1">on</EnumVal>
    </EnumType>
    <EnumType id="dir">
      <EnumVal ord="0">unknown</EnumVal>
    </EnumType>
    <EnumType id="ctlModel">
      <EnumVal ord="0">status-only</EnumVal>
      <EnumVal ord="4">sbo-with-enhanced-security</EnumVal>
    </EnumType>
  </DataTypeTemplates>
</SCL>
'''

INDICATIONS = 64
PROTECTIONS = 6
SWITCHES = 4


def connected_ap(name, n):
    return ('      <ConnectedAP iedName="%s" apName="S1">\n'
            '        <Address>\n'
            '          <P type="IP">172.%d.%d.%d</P>\n'
            '          <P type="IP-SUBNET">255.255.0.0</P>\n'
            '        </Address>\n'
            '      </ConnectedAP>\n') % (name, 16 + n // 65025 % 16, n // 255 % 255, n % 255 + 1)


def ied(name, n):
    out = ['  <IED name="%s" type="QXB%03d" manufacturer="QX" configVersion="1.%02d" '
           'desc="间隔%d保护测控" rScl:uri="IED/%s.cid">\n' % (name, n % 1000, n % 100, n, name),
           '    <AccessPoint name="S1">\n      <Server>\n        <Authentication/>\n']
    # Protection.
    out.append('        <LDevice inst="PROT" desc="保护">\n'
               '          <LN0 lnClass="LLN0" inst="" lnType="BIG_LLN0">\n'
               '            <DataSet name="dsTripInfo" desc="保护动作">\n')
    for k in range(1, PROTECTIONS + 1):
        out.append('              <FCDA ldInst="PROT" prefix="" lnClass="PTOC" lnInst="%d" '
                   'doName="Op" daName="general" fc="ST"/>\n' % k)
    out.append('            </DataSet>\n'
               '            <SettingControl numOfSGs="4" actSG="1"/>\n'
               '          </LN0>\n')
    for k in range(1, PROTECTIONS + 1):
        out.append('          <LN prefix="" lnClass="PTOC" inst="%d" lnType="BIG_PTOC" desc="过流%d段">\n'
                   '            <DOI name="Op" desc="过流%d段动作">\n'
                   '              <DAI name="dU"><Val>过流%d段保护动作</Val></DAI>\n'
                   '            </DOI>\n'
                   '            <DOI name="Str" desc="过流%d段启动"/>\n'
                   '            <DOI name="StrVal" desc="过流%d段定值">\n'
                   '              <SDI name="setMag"><DAI name="f"><Val>%d.5</Val></DAI></SDI>\n'
                   '            </DOI>\n'
                   '          </LN>\n' % (k, k, k, k, k, k, k))
    out.append('        </LDevice>\n')
    # Measurement.
    out.append('        <LDevice inst="MEAS" desc="测量">\n'
               '          <LN0 lnClass="LLN0" inst="" lnType="BIG_LLN0">\n'
               '            <DataSet name="dsAin" desc="遥测">\n')
    for do in ('TotW', 'TotVAr', 'Hz'):
        out.append('              <FCDA ldInst="MEAS" prefix="" lnClass="MMXU" lnInst="1" '
                   'doName="%s" daName="mag.f" fc="MX"/>\n' % do)
    for do in ('PhV', 'A'):
        for ph in ('phsA', 'phsB', 'phsC'):
            out.append('              <FCDA ldInst="MEAS" prefix="" lnClass="MMXU" lnInst="1" '
                       'doName="%s.%s" daName="cVal.mag.f" fc="MX"/>\n' % (do, ph))
    out.append('            </DataSet>\n'
               '          </LN0>\n'
               '          <LN prefix="" lnClass="MMXU" inst="1" lnType="BIG_MMXU" desc="测量">\n'
               '            <DOI name="TotW" desc="有功功率"/>\n'
               '            <DOI name="TotVAr" desc="无功功率"/>\n'
               '            <DOI name="Hz" desc="频率"/>\n'
               '            <DOI name="PhV" desc="相电压">\n'
               '              <SDI name="phsA" desc="A相电压"/>\n'
               '              <SDI name="phsB" desc="B相电压"/>\n'
               '              <SDI name="phsC" desc="C相电压"/>\n'
               '            </DOI>\n'
               '            <DOI name="A" desc="相电流">\n'
               '              <SDI name="phsA" desc="A相电流"/>\n'
               '              <SDI name="phsB" desc="B相电流"/>\n'
               '              <SDI name="phsC" desc="C相电流"/>\n'
               '            </DOI>\n'
               '          </LN>\n'
               '        </LDevice>\n')
    # Control and indications.
    out.append('        <LDevice inst="CTRL" desc="控制">\n'
               '          <LN0 lnClass="LLN0" inst="" lnType="BIG_LLN0">\n'
               '            <DataSet name="dsDin" desc="遥信">\n')
    for k in range(1, INDICATIONS + 1):
        out.append('              <FCDA ldInst="CTRL" prefix="" lnClass="GGIO" lnInst="%d" '
                   'doName="Ind" daName="stVal" fc="ST"/>\n' % k)
    for k in range(1, SWITCHES + 1):
        out.append('              <FCDA ldInst="CTRL" prefix="Q%d" lnClass="XCBR" lnInst="1" '
                   'doName="Pos" daName="stVal" fc="ST"/>\n' % k)
    out.append('            </DataSet>\n'
               '          </LN0>\n')
    for k in range(1, INDICATIONS + 1):
        out.append('          <LN prefix="" lnClass="GGIO" inst="%d" lnType="BIG_GGIO">'
                   '<DOI name="Ind" desc="开入%d"/></LN>\n' % (k, k))
    for k in range(1, SWITCHES + 1):
        out.append('          <LN prefix="Q%d" lnClass="XCBR" inst="1" lnType="BIG_XCBR" desc="开关%d">\n'
                   '            <DOI name="Pos" desc="开关%d位置"/>\n'
                   '          </LN>\n'
                   '          <LN prefix="Q%d" lnClass="CSWI" inst="1" lnType="BIG_CSWI" desc="开关%d控制">\n'
                   '            <DOI name="Pos" desc="开关%d遥控">\n'
                   '              <DAI name="ctlModel"><Val>sbo-with-enhanced-security</Val></DAI>\n'
                   '            </DOI>\n'
                   '          </LN>\n' % (k, k, k, k, k, k))
    out.append('        </LDevice>\n      </Server>\n    </AccessPoint>\n  </IED>\n')
    return ''.join(out)


def parse_size(text):
    text = text.strip().upper().rstrip('B')
    factor = 1
    if text and text[-1] in 'KMG':
        factor = {'K': 1 << 10, 'M': 1 << 20, 'G': 1 << 30}[text[-1]]
        text = text[:-1]
    return int(float(text) * factor)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    target = parse_size(sys.argv[2])
    per_ied = len(ied('IED00000', 0).encode('utf-8')) + len(connected_ap('IED00000', 0))
    count = max(1, (target - len(HEAD.encode('utf-8')) - len(TEMPLATES)) // per_ied)
    with open(sys.argv[1], 'w', encoding='utf-8', newline='\n') as f:
        f.write(HEAD)
        f.write('  <Communication>\n    <SubNetwork name="MMS_A" type="8-MMS">\n')
        for n in range(count):
            f.write(connected_ap('IED%05d' % n, n))
        f.write('    </SubNetwork>\n  </Communication>\n')
        for n in range(count):
            f.write(ied('IED%05d' % n, n))
        f.write(TEMPLATES)
    print('%s: %d IEDs' % (sys.argv[1], count))


if __name__ == '__main__':
    main()
