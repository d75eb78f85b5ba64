<?xml version="1.0" encoding="GBK"?>
<!--
  打印清单的公共部分：申报文件（接口文件）排成 A4 横向的清单，
  表头是申报信息，每条记录一行，最后一行是金额等列的合计。
  各报表的样式表（<报表名><采集类型>JK[0|1]<98|XP>.xslt）导入本文件，
  只设定下面的参数：
    list    all 全部记录；fixed 固定资产项目（GDZCXM 为 True）；other 其余记录
    margin  打印页边距
  各报表打印哪些列、列标题、哪些列合计，在下面的 p:schema 表中。
  没有列在表中的报表按记录的属性原样打印。
-->
<xsl:stylesheet version="1.0"
    xmlns:xsl="http://www.w3.org/1999/XSL/Transform"
    xmlns:p="urn:corvane:print"
    exclude-result-prefixes="p">

  <xsl:output method="html" encoding="UTF-8" indent="yes"
      doctype-system="about:legacy-compat"/>

  <xsl:param name="list" select="'all'"/>
  <xsl:param name="margin" select="'12mm 10mm 14mm 10mm'"/>

  <!-- kind: code 代码（不折行）、text 文字、date 日期、money 金额（两位小数）、number 数量 -->
  <p:schemas>
    <p:schema name="YSFPCGL">
      <p:col name="FPDM" caption="发票代码" kind="code"/>
      <p:col name="FPHM" caption="发票号码" kind="code"/>
      <p:col name="KPRQ" caption="开票日期" kind="date"/>
      <p:col name="CYRSWSBH" caption="承运人纳税人识别号" kind="code"/>
      <p:col name="CYRMC" caption="承运人名称" kind="text"/>
      <p:col name="YSHWMC" caption="运输货物名称" kind="text"/>
      <p:col name="HWZL" caption="货物重量(吨)" kind="number" sum="yes"/>
      <p:col name="YSLC" caption="运输里程(公里)" kind="number"/>
      <p:col name="YFJE" caption="运费金额" kind="money" sum="yes"/>
      <p:col name="KCSE" caption="允许抵扣税额" kind="money" sum="yes"/>
    </p:schema>
    <p:schema name="HGWSPZ">
      <p:col name="JKSHM" caption="缴款书号码" kind="code"/>
      <p:col name="HGMC" caption="填发海关" kind="text"/>
      <p:col name="TFRQ" caption="填发日期" kind="date"/>
      <p:col name="HWMC" caption="货物名称" kind="text"/>
      <p:col name="WSJG" caption="完税价格" kind="money" sum="yes"/>
      <p:col name="SL" caption="税率" kind="number"/>
      <p:col name="SE" caption="税款金额" kind="money" sum="yes"/>
      <p:col name="BZ" caption="备注" kind="text"/>
    </p:schema>
    <p:schema name="FJWZFPCGL">
      <p:col name="FPHM" caption="发票号码" kind="code"/>
      <p:col name="KPRQ" caption="开票日期" kind="date"/>
      <p:col name="XSFSWSBH" caption="销售方纳税人识别号" kind="code"/>
      <p:col name="XSFMC" caption="销售方名称" kind="text"/>
      <p:col name="HWMC" caption="货物名称" kind="text"/>
      <p:col name="ZL" caption="重量(吨)" kind="number" sum="yes"/>
      <p:col name="JE" caption="金额" kind="money" sum="yes"/>
      <p:col name="KCSE" caption="允许抵扣税额" kind="money" sum="yes"/>
      <p:col name="BZ" caption="备注" kind="text"/>
    </p:schema>
  </p:schemas>

  <xsl:variable name="schema" select="/SCHEMA"/>
  <xsl:variable name="taxpayer" select="/SCHEMA/TAXPAYER"/>
  <xsl:variable name="all" select="/SCHEMA/TAXPAYER//RECORD"/>
  <xsl:variable name="records" select="$all[$list = 'all'
      or ($list = 'fixed' and translate(normalize-space(@GDZCXM), 'TRUE', 'true') = 'true')
      or ($list = 'other' and not(translate(normalize-space(@GDZCXM), 'TRUE', 'true') = 'true'))]"/>
  <xsl:variable name="known"
      select="document('')/xsl:stylesheet/p:schemas/p:schema[@name = translate($schema/@NAME, 'abcdefghijklmnopqrstuvwxyz', 'ABCDEFGHIJKLMNOPQRSTUVWXYZ')]/p:col"/>
  <xsl:variable name="title">
    <xsl:value-of select="$schema/@CHSNAME"/>
    <xsl:if test="not(string($schema/@CHSNAME))"><xsl:value-of select="$schema/@NAME"/></xsl:if>
    <xsl:choose>
      <xsl:when test="$list = 'fixed'">（固定资产项目）</xsl:when>
      <xsl:when test="$list = 'other'">（非固定资产项目）</xsl:when>
    </xsl:choose>
  </xsl:variable>

  <xsl:template match="/">
    <html lang="zh-CN">
      <head>
        <title><xsl:value-of select="concat($title, ' ', $schema/@SSSQ)"/></title>
        <style>
          <xsl:call-template name="style"/>
        </style>
      </head>
      <body>
        <div class="toolbar">
          <button type="button" onclick="window.print()">打印</button>
          <span>纸张：A4 横向</span>
        </div>
        <div class="sheet">
          <xsl:call-template name="header"/>
          <xsl:choose>
            <xsl:when test="$known"><xsl:call-template name="list"><xsl:with-param name="cols" select="$known"/></xsl:call-template></xsl:when>
            <xsl:otherwise><xsl:call-template name="list-as-stored"/></xsl:otherwise>
          </xsl:choose>
          <xsl:call-template name="signatures"/>
        </div>
      </body>
    </html>
  </xsl:template>

  <xsl:template name="style">
@page { size: A4 landscape; margin: <xsl:value-of select="$margin"/>;
  @bottom-center { content: "第 " counter(page) " 页 / 共 " counter(pages) " 页"; font-size: 8pt; color: #555; } }
html { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
body { margin: 0; background: #e8e8e8; color: #000;
  font-family: "Noto Sans CJK SC", "Source Han Sans SC", "Microsoft YaHei", "SimSun", "WenQuanYi Micro Hei", sans-serif;
  font-size: 10pt; }
.toolbar { position: sticky; top: 0; padding: 6px 16px; background: #f7f7f7; border-bottom: 1px solid #bbb; font-size: 10pt; }
.toolbar button { font: inherit; padding: 3px 18px; margin-right: 12px; }
.sheet { background: #fff; width: 277mm; margin: 12px auto; padding: 10mm; box-shadow: 0 1px 4px rgba(0,0,0,.3); box-sizing: content-box; }
h1 { font-size: 17pt; text-align: center; margin: 0 0 2mm; letter-spacing: 1px; }
.period { text-align: center; margin: 0 0 4mm; font-size: 10.5pt; }
table.info { width: 100%; border-collapse: collapse; margin-bottom: 3mm; }
table.info td { padding: 1mm 2mm 1mm 0; white-space: nowrap; }
table.info td.label { color: #333; width: 1%; }
table.info td.value { font-weight: bold; }
table.list { width: 100%; border-collapse: collapse; }
table.list th, table.list td { border: 0.6pt solid #000; padding: 1.2mm 1.5mm; vertical-align: middle; }
table.list thead th { background: #e4e4e4; font-weight: bold; text-align: center; }
table.list thead { display: table-header-group; }
table.list tr { page-break-inside: avoid; break-inside: avoid; }
table.list td.no { text-align: center; color: #333; white-space: nowrap; }
table.list td.code, table.list td.date { white-space: nowrap; font-variant-numeric: tabular-nums; }
table.list td.money, table.list td.number { text-align: right; white-space: nowrap; font-variant-numeric: tabular-nums; }
table.list tr.total td { font-weight: bold; background: #f0f0f0; border-top: 1.2pt solid #000; }
table.list tr.total td.no { text-align: center; }
table.list td.empty { text-align: center; padding: 6mm; color: #555; }
.count { margin-top: 2mm; font-size: 9.5pt; }
.signatures { margin-top: 8mm; display: flex; justify-content: space-between; font-size: 10.5pt; page-break-inside: avoid; break-inside: avoid; }
.signatures span { min-width: 55mm; }
@media print {
  body { background: #fff; }
  .toolbar { display: none; }
  .sheet { width: auto; margin: 0; padding: 0; box-shadow: none; }
}
  </xsl:template>

  <xsl:template name="header">
    <h1><xsl:value-of select="$title"/></h1>
    <p class="period">所属期：<xsl:call-template name="period"><xsl:with-param name="text" select="$schema/@SSSQ"/></xsl:call-template></p>
    <table class="info">
      <tr>
        <td class="label">纳税人识别号：</td><td class="value"><xsl:value-of select="$taxpayer/@SWSBH"/></td>
        <td class="label">纳税人名称：</td><td class="value"><xsl:value-of select="$taxpayer/@NSRMC"/></td>
        <td class="label">申报日期：</td><td class="value"><xsl:value-of select="$taxpayer/@SBRQ"/></td>
      </tr>
      <tr>
        <td class="label">采集人代码：</td><td class="value"><xsl:value-of select="$taxpayer/@CJRDM"/></td>
        <td class="label">采集人名称：</td><td class="value"><xsl:value-of select="$taxpayer/@CJRMC"/></td>
        <td class="label">申报记录数：</td><td class="value"><xsl:value-of select="$taxpayer/@RECORDCOUNT"/></td>
      </tr>
    </table>
  </xsl:template>

  <!-- 200601 读作 2006年01月；不是六位的原样输出 -->
  <xsl:template name="period">
    <xsl:param name="text"/>
    <xsl:choose>
      <xsl:when test="string-length($text) = 6 and translate($text, '0123456789', '') = ''">
        <xsl:value-of select="concat(substring($text, 1, 4), '年', substring($text, 5, 2), '月')"/>
      </xsl:when>
      <xsl:otherwise><xsl:value-of select="$text"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <xsl:template name="list">
    <xsl:param name="cols"/>
    <table class="list">
      <thead>
        <tr>
          <th>序号</th>
          <xsl:for-each select="$cols"><th><xsl:value-of select="@caption"/></th></xsl:for-each>
        </tr>
      </thead>
      <tbody>
        <xsl:for-each select="$records">
          <xsl:variable name="record" select="."/>
          <tr>
            <td class="no"><xsl:value-of select="position()"/></td>
            <xsl:for-each select="$cols">
              <xsl:variable name="name" select="@name"/>
              <td class="{@kind}">
                <xsl:call-template name="value">
                  <xsl:with-param name="text" select="string(($record/@*[name() = $name] | $record/*[name() = $name])[1])"/>
                  <xsl:with-param name="kind" select="@kind"/>
                </xsl:call-template>
              </td>
            </xsl:for-each>
          </tr>
        </xsl:for-each>
        <xsl:if test="not($records)">
          <tr><td class="empty" colspan="{count($cols) + 1}">本清单没有记录</td></tr>
        </xsl:if>
        <tr class="total">
          <td class="no">合计</td>
          <xsl:for-each select="$cols">
            <xsl:variable name="name" select="@name"/>
            <td class="{@kind}">
              <xsl:if test="@sum = 'yes'">
                <xsl:call-template name="value">
                  <xsl:with-param name="text" select="sum($records/@*[name() = $name])"/>
                  <xsl:with-param name="kind" select="@kind"/>
                </xsl:call-template>
              </xsl:if>
            </td>
          </xsl:for-each>
        </tr>
      </tbody>
    </table>
    <p class="count">本清单共 <xsl:value-of select="count($records)"/> 条记录。</p>
  </xsl:template>

  <!-- 报表不在列表中：列名取第一条记录的属性名，不做合计 -->
  <xsl:template name="list-as-stored">
    <xsl:variable name="names" select="$records[1]/@*"/>
    <table class="list">
      <thead>
        <tr>
          <th>序号</th>
          <xsl:for-each select="$names"><th><xsl:value-of select="name()"/></th></xsl:for-each>
        </tr>
      </thead>
      <tbody>
        <xsl:for-each select="$records">
          <xsl:variable name="record" select="."/>
          <tr>
            <td class="no"><xsl:value-of select="position()"/></td>
            <xsl:for-each select="$names">
              <xsl:variable name="name" select="name()"/>
              <td class="text"><xsl:value-of select="$record/@*[name() = $name]"/></td>
            </xsl:for-each>
          </tr>
        </xsl:for-each>
      </tbody>
    </table>
    <p class="count">本清单共 <xsl:value-of select="count($records)"/> 条记录。</p>
  </xsl:template>

  <xsl:template name="value">
    <xsl:param name="text"/>
    <xsl:param name="kind"/>
    <xsl:choose>
      <xsl:when test="$kind = 'money' and string(number($text)) != 'NaN'">
        <xsl:value-of select="format-number($text, '#,##0.00')"/>
      </xsl:when>
      <xsl:when test="$kind = 'number' and string(number($text)) != 'NaN'">
        <xsl:value-of select="format-number($text, '#,##0.####')"/>
      </xsl:when>
      <xsl:otherwise><xsl:value-of select="$text"/></xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <xsl:template name="signatures">
    <div class="signatures">
      <span>经办人：</span>
      <span>负责人：</span>
      <span>纳税人（签章）：</span>
    </div>
  </xsl:template>

</xsl:stylesheet>
