"
,
SEIKYU.CSV
-- Billing export of one billing run. The placeholder of value 0 stands for
-- the run number chosen in the billing history, pasted as plain text: a
-- number, so it is compared without quotes. One line per billed slip.
SELECT SZB.INDEXNOZH, SZB.OMDNNO, SZB.OMHCNO, SZB.OMNKDT, SZB.OMMSCD, SZB.OMMSKN,
       SZB.GOUKEI_KINGAKU,
       (SELECT COUNT(*) FROM TBL_SEZ_BD SZD
         WHERE SZD.INDEXNOZH = SZB.INDEXNOZH AND SZD.INDEXNOH2 = SZB.INDEXNOH2) AS LINES
FROM TBL_SEZ_B SZB
WHERE SZB.INDEXNOZH = /[0]/
ORDER BY SZB.OMDNNO, SZB.INDEXNOH2
