<?xml version="1.0" encoding="GBK"?>
<!-- 运输发票清单：非固定资产项目（采集类型 DLZK，98 打印设置） -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:import href="PrintList.xsl"/>
  <xsl:param name="list" select="'other'"/>
  <xsl:param name="margin" select="'15mm 12mm 16mm 12mm'"/>
</xsl:stylesheet>
