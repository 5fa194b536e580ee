"
,
NOUHIN.CSV
-- Delivery export: every line of the slips printed since the last
-- successful delivery export (the OPCK tick of the slip list).
-- The slip list passes a blank for every value, so the placeholder at the
-- end of the WHERE line adds nothing there; from the batch mode it can
-- narrow the export: export NOUHIN --set "0=AND TH2.OMHCNO = '7000001'"
SELECT TH2.OMDNNO, TH2.OMHCNO, TH2.OMHCDT, TH2.OMNKDT, TH2.OMMSCD, TH2.OMMSKN,
       TBD.ONLINE, TBD.ONSKU, TBD.ONSYGN, TBD.ONSYKN, TBD.ONCLKN, TBD.ONSZKN,
       TBD.ONSURY * 1.0 / 10 AS PIECES,
       CAST(TBD.ONBTNK AS INTEGER) AS UNIT_PRICE,
       CAST(TBD.ONBAIJ AS INTEGER) AS AMOUNT
FROM TBL_RD_H2 TH2 INNER JOIN TBL_RD_BD TBD ON TH2.INDEXNOH2 = TBD.INDEXNOH2
WHERE TH2.DEN_EXP_CHECK = '-1' /[0]/
ORDER BY TH2.OMDNNO, TH2.INDEXNOH2, TBD.ONLINE
