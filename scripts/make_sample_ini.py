#!/usr/bin/env python3
"""Writes the sample definition library resources/Ini (GBK text, CR LF line ends).

The library is kept as generated files; edit this script and run it again to change them:
    python3 scripts/make_sample_ini.py            # writes resources/Ini next to this script
    python3 scripts/make_sample_ini.py OUT_DIR    # writes the library into OUT_DIR
Files that the script does not write are left alone.
"""
import os
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'resources', 'Ini')


def write(path, lines, final_newline=True):
    """Writes the lines as GBK with CR LF; the last line ends with CR LF unless told otherwise."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    text = '\r\n'.join(lines)
    if final_newline:
        text += '\r\n'
    with open(path, 'wb') as f:
        f.write(text.encode('gbk'))


def option_groups(groups):
    """Sections "可变选项%d": (name, dimension, [definitions])."""
    out = []
    for i, (name, dim, defs) in enumerate(groups, 1):
        out += ['', '[可变选项%d]' % i, '名称=%s' % name, '维数=%d' % dim, '数目=%d' % len(defs)]
        out += ['选项%d=%s' % (j, d) for j, d in enumerate(defs, 1)]
    return out


def ref_tables(tables):
    """Section [引用表配置]: (name, type, [attribute definitions])."""
    out = ['', '[引用表配置]', '数目=%d' % len(tables)]
    for i, (name, kind, attrs) in enumerate(tables, 1):
        out.append('引用表%d=%s,%s,%d' % (i, name, kind, len(attrs)))
        out += ['引用表%d扩展属性%d=%s' % (i, j, a) for j, a in enumerate(attrs, 1)]
    return out


def item_file(path, props, tables, groups):
    """A protocol or equipment file: [属性], reference tables, variable-option groups."""
    lines = ['[属性]'] + ['%s=%s' % kv for kv in props] + ['可变选项组数=%d' % len(groups)]
    lines += ref_tables(tables)
    lines += option_groups(groups)
    write(path, lines)


# ---------------------------------------------------------------------------------------------
# The unit: 组态配置.ini, two boards, two port-group parameter files.

def write_unit(L):
    lines = ['[装置属性]', '名称=QXM7740', 'ProjectType=0', '可变选项组数=2', '',
             '[装置总表扩展信息]', '数目=3',
             '选项1=通讯超时,WORD,3000(100-60000)',
             '选项2=召唤周期,WORD,900(0-65535)',
             '选项3=所属间隔,STRING,',
             '', '[SysConfig]', 'GetGoosePoints=false', 'GetDescFromDu=true', 'SelYtFromYk=false',
             '', '[板卡配置]', '数目=2', '板卡1配置=主控板.ini', '板卡2配置=通讯扩展板.ini']
    lines += option_groups([
        # The unit address is the project's own (its properties view writes it to the main file);
        # an option of the same name here would write a second, different address to system.cfg.
        ('管理机参数', 1, ['对时方式,ENUM,网络对时(不对时,网络对时,串口对时,B码对时)',
                         '双机模式,ENUM,单机(单机,主备,双主)',
                         'SOE缓存条数,WORD,2000(100-10000)',
                         '遥测死区,FLOAT,0.2(0-10)']),
        ('维护网口', 1, ['IP地址,IP,192.168.0.200',
                       '子网掩码,IP,255.255.255.0',
                       '默认网关,IP,192.168.0.1']),
    ])
    write(os.path.join(L, '组态配置.ini'), lines)

    write(os.path.join(L, '主控板.ini'), [
        '[板卡属性]', '类型=QXM-CPU01', '通讯口名称=COM,NET', '',
        '[COM配置]', '数目=4', '类型=串口', '配置文件=串口配置.ini', '',
        '[NET配置]', '数目=2', '类型=网络', '配置文件=网络配置.ini'])
    write(os.path.join(L, '通讯扩展板.ini'), [
        '[板卡属性]', '类型=QXM-COM08', '通讯口名称=RS485,ETH', '',
        '[RS485配置]', '数目=8', '类型=串口', '配置文件=串口配置.ini', '',
        '[ETH配置]', '数目=2', '类型=网络', '配置文件=网络配置.ini'])

    write(os.path.join(L, '串口配置.ini'), [
        '[配置选项]', '数目=9',
        '选项1=规约,PRTC,未用(串口)',
        '选项2=波特率,ENUM,9600(1200,2400,4800,9600,19200,38400,57600,115200)',
        '选项3=数据位,ENUM,8(7,8)',
        '选项4=停止位,ENUM,1(1,2)',
        '选项5=校验方式,ENUM,无校验(无校验,奇校验,偶校验)',
        '选项6=接口类型,ENUM,RS485(RS232,RS485,RS422)',
        '选项7=超时时间,WORD,1000(100-10000)',
        '选项8=装置数目,DEVSUM,0',
        '选项9=引用表数目,TABSUM,0'])
    write(os.path.join(L, '网络配置.ini'), [
        '[配置选项]', '数目=9',
        '选项1=规约,PRTC,未用(网络)',
        '选项2=本机IP,IP,192.168.1.100',
        '选项3=子网掩码,IP,255.255.255.0',
        '选项4=对端IP,IP,192.168.1.1',
        '选项5=端口号,WORD,2404(1-65535)',
        '选项6=连接方式,ENUM,服务端(服务端,客户端,UDP)',
        '选项7=超时时间,WORD,3000(100-60000)',
        '选项8=装置数目,DEVSUM,0',
        '选项9=引用表数目,TABSUM,0'])


# ---------------------------------------------------------------------------------------------
# Protocols: 规约\Protocol.ini and one file per protocol.

REGION = '规约适用地区,ENUM,国网(国网,南网,华东,华北)'

PROTOCOLS = [
    # name, number, kind, mode, reference tables, option groups
    ('IEC103串口', 1, 'DEVICE', '串口', [], [
        ('链路参数', 1, ['轮询间隔,WORD,200(0-10000)',
                       '总召唤周期,WORD,900(0-65535)',
                       '对时周期,INT,600(0-86400)',
                       '重发次数,BYTE,3(0-10)',
                       'ASDU10通用分类,ENUM,支持(支持,不支持)'])]),
    ('ModbusRTU', 2, 'DEVICE', '串口', [
        ('寄存器表', 'YC', ['功能码,ENUM,03(01,02,03,04)',
                         '寄存器地址,WORD,0(0-65535)',
                         '数据格式,ENUM,INT16(INT16,UINT16,INT32,FLOAT)'])], [
        ('链路参数', 1, ['轮询间隔,WORD,500(0-10000)',
                       '字节序,ENUM,高字节在前(高字节在前,低字节在前)'])]),
    ('IEC103网络', 3, 'DEVICE', '网络', [], [
        ('链路参数', 1, ['总召唤周期,WORD,900(0-65535)',
                       '心跳周期,BYTE,30(5-255)',
                       '双网模式,ENUM,单网(单网,双网热备,双网冗余)'])]),
    ('IEC61850客户端', 4, 'DEVICE', '网络', [], [
        ('MMS参数', 1, ['报告使能,ENUM,是(是,否)',
                      '完整性周期,INT,60000(0-3600000)',
                      '触发选项,STRING,dchg|qchg|period'])]),
    ('IEC101', 11, 'SCHEDULE', '串口', [
        ('遥测转发表', 'YC', ['系数,FLOAT,1(0-100000)',
                           '死区,FLOAT,0.2(0-100)',
                           '[南网/华东]数据类型,ENUM,归一化值(归一化值,标度化值,短浮点数)']),
        ('遥信转发表', 'YX', ['取反,ENUM,否(否,是)',
                           '[南网]双点遥信,ENUM,否(否,是)']),
        ('遥控转发表', 'YK', ['遥控类型,ENUM,双点(单点,双点)']),
        ('遥脉转发表', 'YM', [])], [
        ('链路参数', 1, [REGION,
                       '链路地址,WORD,1(0-65535)',
                       '链路地址长度,ENUM,1(1,2)',
                       '公共地址,WORD,1(1-65534)',
                       '传输方式,ENUM,平衡(平衡,非平衡)']),
        ('信息体地址', 1, ['[*]遥信起始地址,WORD,1(1-65535)',
                        '[国网/华北]遥测起始地址,WORD,1793(1-65535)',
                        '[南网/华东]遥测起始地址,WORD,16385(1-65535)',
                        '遥控起始地址,WORD,2817(1-65535)'])]),
    ('IEC104', 12, 'SCHEDULE', '网络', [
        ('遥测转发表', 'YC', ['系数,FLOAT,1(0-100000)',
                           '死区,FLOAT,0.2(0-100)',
                           '[南网/华东]数据类型,ENUM,短浮点数(归一化值,标度化值,短浮点数)']),
        ('遥信转发表', 'YX', ['取反,ENUM,否(否,是)']),
        ('遥控转发表', 'YK', ['遥控类型,ENUM,双点(单点,双点)',
                           '选择超时,BYTE,30(1-255)']),
        ('遥调转发表', 'YT', ['系数,FLOAT,1(0-100000)']),
        ('装置表', 'DEV', ['[华东]通讯状态点,ENUM,是(是,否)'])], [
        ('链路参数', 1, [REGION,
                       '公共地址,WORD,1(1-65534)',
                       'K值,WORD,12(1-32767)',
                       'W值,WORD,8(1-32767)',
                       'T1超时,BYTE,15(1-255)',
                       'T3超时,BYTE,20(1-255)']),
        ('信息体地址', 1, ['[*]遥信起始地址,INT,1(1-16777215)',
                        '[国网/华北]遥测起始地址,INT,16385(1-16777215)',
                        '[南网/华东]遥测起始地址,INT,16385(1-16777215)',
                        '遥控起始地址,INT,24577(1-16777215)',
                        '[#]保留地址,INT,0(0-16777215)'])]),
    ('CDT', 13, 'SCHEDULE', '串口', [
        ('遥测转发表', 'YC', ['系数,FLOAT,1(0-100000)']),
        ('遥信转发表', 'YX', ['取反,ENUM,否(否,是)'])], [
        ('链路参数', 1, ['RTU地址,BYTE,1(0-255)',
                       '帧类别,ENUM,A帧(A帧,B帧,C帧)'])]),
    ('IEC103后台', 21, 'SYSTEM', '网络', [
        ('遥测', 'YC', ['系数,FLOAT,1(0-100000)']),
        ('遥信', 'YX', []),
        ('遥控', 'YK', []),
        ('遥脉', 'YM', []),
        ('步位置', 'YP', [])], [
        ('链路参数', 1, [REGION,
                       '后台地址,BYTE,254(0-255)',
                       '组播地址,IP,239.1.1.1'])]),
    ('打印维护', 22, 'SYSTEM', '串口', [], [
        ('打印参数', 1, ['打印事件,ENUM,是(是,否)',
                       '每页行数,BYTE,60(10-200)'])]),
]


def write_protocols(L):
    folder = os.path.join(L, '规约')
    write(os.path.join(folder, 'Protocol.ini'), [p[0] for p in PROTOCOLS])
    for name, number, kind, mode, tables, groups in PROTOCOLS:
        item_file(os.path.join(folder, name + '.ini'),
                  [('名称', name), ('规约号', str(number)), ('类型', kind), ('通讯方式', mode)],
                  tables, groups)


# ---------------------------------------------------------------------------------------------
# Primary equipment: port-configuration templates, equipment types, voltage levels, bays.

SETTINGS = [
    ('遥信转发配置', 'SCHEDULE', [
        ('遥信转发表', 'YX', ['取反,ENUM,否(否,是)']),
        ('转发装置', 'DEV', [])], [
        ('转发参数', 1, ['起始地址,WORD,1(1-65535)', '变位上送,ENUM,是(是,否)'])]),
    ('遥测转发配置', 'SCHEDULE', [
        ('遥测转发表', 'YC', ['系数,FLOAT,1(0-100000)', '死区,FLOAT,0.2(0-100)'])], [
        ('转发参数', 1, ['起始地址,WORD,16385(1-65535)',
                       '数据类型,ENUM,短浮点数(归一化值,标度化值,短浮点数)'])]),
    ('后台信息配置', 'SYSTEM', [
        ('遥测', 'YC', []), ('遥信', 'YX', []), ('遥控', 'YK', []),
        ('后台装置', 'DEV', [])], [
        ('后台参数', 1, ['上送SOE,ENUM,是(是,否)'])]),
    ('装置通讯配置', 'DEVICE', [], [
        ('通讯参数', 1, ['轮询优先级,ENUM,普通(高,普通,低)', '故障录波上送,ENUM,否(否,是)'])]),
]

EQUIPMENT = [
    ('断路器', 'QF', [
        ('位置信号', 'YX', ['合位取反,ENUM,否(否,是)']),
        ('分合控制', 'YK', []),
        ('电流', 'YC', [])], [
        ('断路器参数', 1, ['额定电流,FLOAT,3150(0-10000)', '操作机构,ENUM,弹簧(弹簧,液压,气动)'])]),
    ('隔离刀闸', 'QS', [
        ('位置信号', 'YX', []),
        ('分合控制', 'YK', [])], [
        ('刀闸参数', 1, ['操作方式,ENUM,电动(电动,手动)'])]),
    ('接地刀闸', 'QE', [
        ('位置信号', 'YX', [])], []),
    ('主变压器', 'T', [
        ('档位', 'YP', ['最高档,BYTE,17(1-64)']),
        ('调档控制', 'YT', []),
        ('油温', 'YC', [])], [
        ('主变参数', 1, ['额定容量,FLOAT,180(0-2000)',
                       '绕组数,ENUM,三绕组(双绕组,三绕组)',
                       '调压方式,ENUM,有载(有载,无载)'])]),
    ('电压互感器', 'TV', [
        ('电压', 'YC', ['变比,FLOAT,2200(0-100000)'])], []),
    # Equipment of kind SYSTEM takes points of the devices into its reference tables.
    ('线路', 'SYSTEM', [
        ('遥测', 'YC', ['系数,FLOAT,1(0-100000)']),
        ('遥信', 'YX', ['取反,ENUM,否(否,是)']),
        ('遥控', 'YK', [])], [
        ('线路参数', 1, ['线路长度,FLOAT,10(0-1000)'])]),
]


def write_equipment(L):
    folder = os.path.join(L, '一次设备')
    write(os.path.join(folder, 'setting.ini'), [s[0] for s in SETTINGS])
    for name, kind, tables, groups in SETTINGS:
        item_file(os.path.join(folder, name + '.ini'), [('名称', name), ('类型', kind)],
                  tables, groups)
    write(os.path.join(folder, 'equipmentlist.ini'), [e[0] for e in EQUIPMENT])
    for name, kind, tables, groups in EQUIPMENT:
        item_file(os.path.join(folder, name + '.ini'), [('名称', name), ('类型', kind)],
                  tables, groups)
    item_file(os.path.join(folder, '电压等级配置.ini'), [('名称', '电压等级'), ('类型', '')], [], [
        ('电压等级参数', 1, ['额定电压,FLOAT,220(0-1000)',
                         '主接线方式,ENUM,双母线(单母线,单母分段,双母线,3/2接线,内桥,外桥)',
                         '中性点接地,ENUM,直接接地(直接接地,经消弧线圈接地,不接地)'])])
    item_file(os.path.join(folder, '间隔配置.ini'), [('名称', '间隔'), ('类型', '')], [], [
        ('间隔参数', 1, ['间隔类型,ENUM,线路(线路,主变,母联,分段,电容器,站用变,母线)',
                       '间隔编号,STRING,',
                       '检修压板,ENUM,无(无,有)'])])


# ---------------------------------------------------------------------------------------------
# Device models: 二次装置\devlist.ini, <model>.txt and .cfg, the custom virtual device, and one
# IEC 61850 device whose model pair was already converted from its ICD file.

def entries(group, rows):
    """Entry lines "n,group,n,description,f5,f6,on,off[,options]" numbered from 1."""
    out = []
    for n, row in enumerate(rows, 1):
        desc, f5, f6, on, off, opts = (list(row) + [''] * 6)[:6]
        line = '%d,%d,%d,%s,%s,%s,%s,%s' % (n, group, n, desc, f5, f6, on, off)
        if opts:
            line += ',' + opts
        out.append(line)
    return out


def fun_inf(fun, inf):
    return 'FUN=%d;INF=%d' % (fun, inf)


def model_files(folder, name, type_text, groups, protocol, related, options):
    """groups: (section, category, group number, rows)."""
    lines = ['[名称]', name, '', '[类型]', type_text]
    for section, _, number, rows in groups:
        lines += ['', '[%s]' % section] + entries(number, rows)
    write(os.path.join(folder, name + '.txt'), lines)
    cfg = ['[属性]', '可变选项组数=%d' % len(options), '默认规约=%s' % protocol, '', '[数据分类]']
    cfg += ['%s=%s' % (section, category) for section, category, _, _ in groups]
    cfg += ['', '[相关信息]', '数目=%d' % len(related)]
    cfg += ['信息%d=%s' % (i, r) for i, r in enumerate(related, 1)]
    cfg += option_groups(options)
    write(os.path.join(folder, name + '.cfg'), cfg)


def phase_rows(items, fun, inf0):
    return [(d, u, '1', '', '', fun_inf(fun, inf0 + i)) for i, (d, u) in enumerate(items)]


def write_models(L):
    folder = os.path.join(L, '二次装置')
    line_yc = [('A相电流', 'A'), ('B相电流', 'A'), ('C相电流', 'A'), ('零序电流', 'A'),
               ('A相电压', 'kV'), ('B相电压', 'kV'), ('C相电压', 'kV'), ('线电压Uab', 'kV'),
               ('有功功率', 'MW'), ('无功功率', 'Mvar'), ('功率因数', ''), ('频率', 'Hz')]
    model_files(folder, 'QXL811-V2.10', '线路保护', [
        ('遥测', 'YC', 1, phase_rows(line_yc, 178, 92)),
        ('遥信', 'YX', 2, [(d, '', '5', '合', '分', fun_inf(178, 20 + i)) for i, d in enumerate(
            ['断路器位置', '刀闸1位置', '刀闸2位置', '接地刀位置', '远方就地', '检修压板'])]),
        ('保护动作', 'YX', 3, [(d, '', '5', '动作', '返回', fun_inf(178, 60 + i)) for i, d in enumerate(
            ['距离Ⅰ段动作', '距离Ⅱ段动作', '距离Ⅲ段动作', '零序Ⅰ段动作', '零序Ⅱ段动作',
             '重合闸动作', '纵联差动动作'])]),
        ('告警信号', 'YX', 4, [(d, '', '5', '动作', '返回', fun_inf(178, 100 + i)) for i, d in enumerate(
            ['TV断线', 'TA断线', '控制回路断线', '通道异常', '装置告警'])]),
        ('遥控', 'YK', 5, [('断路器遥控', '', '', '合', '分', fun_inf(178, 48) + ';合规则=1;分规则=1'),
                         ('复归', '', '', '复归', '', fun_inf(178, 19))]),
    ], 'IEC103串口', ['总召唤周期=900', '录波上送=否'], [
        ('装置参数', 1, ['CPU号,BYTE,1(0-255)', '定值区号,BYTE,1(1-32)'])])

    trans_yc = [('高压侧A相电流', 'A'), ('高压侧B相电流', 'A'), ('高压侧C相电流', 'A'),
                ('低压侧A相电流', 'A'), ('低压侧B相电流', 'A'), ('低压侧C相电流', 'A'),
                ('差动电流', 'Ie'), ('制动电流', 'Ie')]
    model_files(folder, 'QXT821', '主变保护', [
        ('遥测', 'YC', 1, phase_rows(trans_yc, 178, 140)),
        ('保护动作', 'YX', 2, [(d, '', '5', '动作', '返回', fun_inf(178, 10 + i)) for i, d in enumerate(
            ['差动速断动作', '比率差动动作', '高后备过流动作', '低后备过流动作', '重瓦斯动作',
             '轻瓦斯告警', '压力释放'])]),
        ('档位', 'YP', 3, [('主变档位', '', '5', '', '', fun_inf(178, 70))]),
        ('调档', 'YT', 4, [('档位升', '', '', '升', '', fun_inf(178, 71)),
                         ('档位降', '', '', '降', '', fun_inf(178, 72)),
                         ('调档急停', '', '', '停', '', fun_inf(178, 73))]),
    ], 'IEC103网络', ['总召唤周期=900'], [
        ('装置参数', 1, ['CPU号,BYTE,1(0-255)', '主变编号,STRING,1#主变'])])

    model_files(folder, 'QXC901', '测控', [
        ('遥测', 'YC', 1, phase_rows(line_yc[:8] + [('有功功率', 'MW'), ('无功功率', 'Mvar')],
                                    1, 92)),
        ('遥信', 'YX', 2, [('开入%d' % (i + 1), '', '5', '合', '分', fun_inf(1, 20 + i))
                         for i in range(16)]),
        ('遥控', 'YK', 3, [('断路器', '', '', '合', '分', fun_inf(1, 48)),
                         ('刀闸1', '', '', '合', '分', fun_inf(1, 49)),
                         ('刀闸2', '', '', '合', '分', fun_inf(1, 50))]),
    ], 'IEC103网络', [], [
        ('测控参数', 1, ['遥信防抖,WORD,20(0-10000)',
                       '遥测死区,FLOAT,0.2(0-10)',
                       '同期方式,ENUM,检同期(不检,检无压,检同期)'])])

    model_files(folder, 'QXE300', '电度表', [
        ('遥测', 'YC', 1, [('A相电压', 'V', '1'), ('A相电流', 'A', '1'), ('有功功率', 'kW', '1')]),
        ('电度', 'YM', 2, [('正向有功电度', 'kWh', '1'), ('反向有功电度', 'kWh', '1'),
                         ('正向无功电度', 'kvarh', '1'), ('反向无功电度', 'kvarh', '1')]),
    ], 'ModbusRTU', [], [])

    # The custom virtual device: points the user files by hand.
    model_files(folder, '自定义装置', '虚拟装置', [
        ('自定义遥信', 'YX', 1, [('自定义遥信%d' % (i + 1), '', '5', '合', '分') for i in range(4)]),
        ('自定义遥测', 'YC', 2, [('自定义遥测%d' % (i + 1), '', '1') for i in range(2)]),
    ], '', [], [])

    write_61850_model(folder)

    write(os.path.join(folder, 'devlist.ini'),
          ['QXL811-V2.10', 'QXT821', 'QXC901', 'QXE300', 'QXB610.icd'])


# A small ICD of a bay unit and the model pair converted from it, in the form the point
# classification library writes (no line break after the last line).
ICD = '''<?xml version="1.0" encoding="UTF-8"?>
<SCL xmlns="http://www.iec.ch/61850/2003/SCL" version="2007" revision="B">
  <Header id="QXB610" version="1.00" toolID="QX ICT" nameStructure="IEDName"/>
  <IED name="TEMPLATE" type="QXB610" manufacturer="QX" configVersion="1.00" desc="间隔保护测控装置">
    <AccessPoint name="S1">
      <Server>
        <Authentication/>
        <LDevice inst="PROT" desc="保护">
          <LN0 lnClass="LLN0" inst="" lnType="QX_LLN0">
            <DataSet name="dsTripInfo" desc="保护动作">
              <FCDA ldInst="PROT" prefix="" lnClass="PTOC" lnInst="1" doName="Op" daName="general" fc="ST"/>
              <FCDA ldInst="PROT" prefix="" lnClass="PTOC" lnInst="2" doName="Op" daName="general" fc="ST"/>
            </DataSet>
            <SettingControl numOfSGs="4" actSG="1"/>
            <DOI name="Mod" desc="模式"/>
          </LN0>
          <LN prefix="" lnClass="PTOC" inst="1" lnType="QX_PTOC" desc="过流Ⅰ段">
            <DOI name="Op" desc="过流Ⅰ段动作"/>
          </LN>
          <LN prefix="" lnClass="PTOC" inst="2" lnType="QX_PTOC" desc="过流Ⅱ段">
            <DOI name="Op" desc="过流Ⅱ段动作"/>
          </LN>
        </LDevice>
        <LDevice inst="MEAS" desc="测量">
          <LN0 lnClass="LLN0" inst="" lnType="QX_LLN0">
            <DataSet name="dsAin" desc="遥测">
              <FCDA ldInst="MEAS" prefix="" lnClass="MMXU" lnInst="1" doName="TotW" daName="mag.f" fc="MX"/>
              <FCDA ldInst="MEAS" prefix="" lnClass="MMXU" lnInst="1" doName="Hz" daName="mag.f" fc="MX"/>
            </DataSet>
          </LN0>
          <LN prefix="" lnClass="MMXU" inst="1" lnType="QX_MMXU">
            <DOI name="TotW" desc="有功功率"/>
            <DOI name="Hz" desc="频率"/>
          </LN>
        </LDevice>
        <LDevice inst="CTRL" desc="控制">
          <LN0 lnClass="LLN0" inst="" lnType="QX_LLN0">
            <DataSet name="dsDin" desc="遥信">
              <FCDA ldInst="CTRL" prefix="Q0" lnClass="XCBR" lnInst="1" doName="Pos" daName="stVal" fc="ST"/>
            </DataSet>
          </LN0>
          <LN prefix="Q0" lnClass="XCBR" inst="1" lnType="QX_XCBR">
            <DOI name="Pos" desc="断路器位置"/>
          </LN>
          <LN prefix="Q0" lnClass="CSWI" inst="1" lnType="QX_CSWI">
            <DOI name="Pos" desc="断路器控制">
              <DAI name="ctlModel"><Val>sbo-with-enhanced-security</Val></DAI>
            </DOI>
          </LN>
        </LDevice>
      </Server>
    </AccessPoint>
  </IED>
  <DataTypeTemplates>
    <LNodeType id="QX_LLN0" lnClass="LLN0">
      <DO name="Mod" type="QX_INC_Mod"/>
    </LNodeType>
    <LNodeType id="QX_PTOC" lnClass="PTOC">
      <DO name="Op" type="QX_ACT"/>
    </LNodeType>
    <LNodeType id="QX_MMXU" lnClass="MMXU">
      <DO name="TotW" type="QX_MV"/>
      <DO name="Hz" type="QX_MV"/>
    </LNodeType>
    <LNodeType id="QX_XCBR" lnClass="XCBR">
      <DO name="Pos" type="QX_DPS"/>
    </LNodeType>
    <LNodeType id="QX_CSWI" lnClass="CSWI">
      <DO name="Pos" type="QX_DPC"/>
    </LNodeType>
    <DOType id="QX_INC_Mod" cdc="INC">
      <DA name="stVal" bType="Enum" type="Mod" fc="ST"/>
    </DOType>
    <DOType id="QX_ACT" cdc="ACT">
      <DA name="general" bType="BOOLEAN" fc="ST"/>
      <DA name="q" bType="Quality" fc="ST"/>
    </DOType>
    <DOType id="QX_MV" cdc="MV">
      <DA name="mag" bType="Struct" type="QX_AV" fc="MX"/>
      <DA name="q" bType="Quality" fc="MX"/>
    </DOType>
    <DOType id="QX_DPS" cdc="DPS">
      <DA name="stVal" bType="Dbpos" fc="ST"/>
    </DOType>
    <DOType id="QX_DPC" cdc="DPC">
      <DA name="stVal" bType="Dbpos" fc="ST"/>
      <DA name="Oper" bType="Struct" type="QX_Oper" fc="CO"/>
      <DA name="ctlModel" bType="Enum" type="ctlModel" fc="CF"/>
    </DOType>
    <DAType id="QX_AV">
      <BDA name="f" bType="FLOAT32"/>
    </DAType>
    <DAType id="QX_Oper">
      <BDA name="ctlVal" bType="BOOLEAN"/>
      <BDA name="T" bType="Timestamp"/>
    </DAType>
    <EnumType id="Mod">
      <EnumVal ord="1">on</EnumVal>
      <EnumVal ord="5">off</EnumVal>
    </EnumType>
    <EnumType id="ctlModel">
      <EnumVal ord="0">status-only</EnumVal>
      <EnumVal ord="4">sbo-with-enhanced-security</EnumVal>
    </EnumType>
  </DataTypeTemplates>
</SCL>
'''


def write_61850_model(folder):
    with open(os.path.join(folder, 'QXB610.icd'), 'wb') as f:
        f.write(ICD.replace('\n', '\r\n').encode('utf-8'))
    base = 'IEC61850_QXB610'
    lines = ['[名称]', 'TEMPLATEQXB610', '', '[类型]', 'IEC61850装置',
             '', '[遥信]',
             '1,1,1,断路器位置,,,合,分,FCDA=CTRL/Q0XCBR1$ST$Pos$stVal;CDC=DPS',
             '', '[动作元件]',
             '1,2,1,过流Ⅰ段动作,,,动作,返回,FCDA=PROT/PTOC1$ST$Op$general;CDC=ACT',
             '2,2,2,过流Ⅱ段动作,,,动作,返回,FCDA=PROT/PTOC2$ST$Op$general;CDC=ACT',
             '', '[遥测]',
             '1,3,1,有功功率,,,,,FCDA=MEAS/MMXU1$MX$TotW$mag$f;CDC=MV',
             '2,3,2,频率,,,,,FCDA=MEAS/MMXU1$MX$Hz$mag$f;CDC=MV',
             '', '[遥控]',
             '1,4,1,断路器控制,,,,,FCDA=CTRL/Q0CSWI1$CO$Pos$Oper$ctlVal;CDC=DPC;'
             'ctlModel=sbo-with-enhanced-security',
             '', '[定值区号]',
             '1,5,1,运行区定值区号,,,,,FCDA=PROT/LLN0$SP$SGCB$ActSG',
             '', '[特殊遥信] ',
             '1,255,1,网络状态1,,5,通,断,FUN=255;INF=1 ',
             '2,255,2,网络状态2,,5,通,断,FUN=255;INF=2  ',
             '3,255,3,装置通讯状态,,5,通,断,FUN=255;INF=3  ',
             '4,255,4,检修状态,,5,合,分,FUN=255;INF=4']
    write(os.path.join(folder, base + '.txt'), lines, final_newline=False)
    write(os.path.join(folder, base + '.cfg'),
          ['[属性]', '名称=QXB610', '', '[数据分类]', '遥信=YX', '动作元件=YX', '遥测=YC',
           '遥控=YK', '定值区号=OTHER', '特殊遥信=YX'], final_newline=False)


def main():
    L = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else ROOT)
    write_unit(L)
    write_protocols(L)
    write_equipment(L)
    write_models(L)


if __name__ == '__main__':
    main()
